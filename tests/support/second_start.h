// A program started twice on an X display (Xvfb in CI): the first copy's window is centred
// on the screen; the second start brings it above a window that covers it and ends at once.
#pragma once

#include <QDir>
#include <QString>

#include <functional>

namespace zerva::test {

// Why the check cannot run here (no display, no x11-utils), or an empty text.
QString secondStartUnavailable();

// Runs the program of bin/ twice in a fresh home and reports failures to the running test.
// windowClass: the class of its main window (the application's name). whileFirstRuns, when
// given, looks at the home once the first window is shown.
void expectSecondStartRaisesTheFirst(
    const QString& program, const QString& windowClass,
    const std::function<void(const QDir& home)>& whileFirstRuns = {});

} // namespace zerva::test
