// Waiting for something the event loop does, in GoogleTest tests.
#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

namespace zerva::test {

// Processes events until pred() holds or timeoutMs passes; returns pred().
inline bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 3000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred() && !deadline.hasExpired()) {
        QTest::qWait(10);
    }
    return pred();
}

} // namespace zerva::test
