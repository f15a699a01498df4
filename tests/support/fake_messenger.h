// A message interface for tests: records every box and answers from a script.
#pragma once

#include "tests/support/printers.h"

#include "common/messages.h"

#include <QStringList>

#include <deque>
#include <vector>

namespace zerva::test {

class FakeMessenger : public common::Messenger {
public:
    using Messenger::MsgBox;

    // Answers given in order; when they run out, the box's preset answer (the close box).
    void answer(std::initializer_list<int> answers) { m_answers.insert(m_answers.end(), answers); }

    int MsgBox(const common::MsgBoxArgs& args) override;
    void systemMessage(const QString& text, const QString& title) override;

    const std::vector<common::MsgBoxArgs>& boxes() const { return m_boxes; }
    QStringList prompts() const;
    const QStringList& systemMessages() const { return m_system; }
    // Every message in order, Persian boxes and system messages alike.
    const QStringList& all() const { return m_all; }
    std::size_t pendingAnswers() const { return m_answers.size(); }
    void clear();

private:
    std::deque<int> m_answers;
    std::vector<common::MsgBoxArgs> m_boxes;
    QStringList m_system;
    QStringList m_all;
};

} // namespace zerva::test
