// The start every program of the suite shares: the application with the suite's settings,
// one running copy per user and display, the settings store, and the main window centred,
// shown and brought forward when a later copy asks.
#pragma once

#include "common/services.h"
#include "common/settings_store.h"

#include <QString>

#include <memory>

class QApplication;
class QWidget;

namespace zerva::common {

enum class WindowSize {
    AsBuilt,       // the window has set its own size
    FitToContents, // sized to its layout's contents first
};

// Answers later copies by bringing the window forward (restored if it was minimised),
// centres the window on the primary screen and shows it.
void showMainWindow(QWidget& window, SingleInstance& instance, WindowSize size);

// The application of one program, made with the suite's settings (setupSuiteApplication),
// and its settings store.
class SuiteApplication {
public:
    SuiteApplication(int& argc, char** argv, const QString& applicationName);
    ~SuiteApplication();
    SuiteApplication(const SuiteApplication&) = delete;
    SuiteApplication& operator=(const SuiteApplication&) = delete;

    SettingsStore& settings() { return m_settings; }
    // The installed data folder from the settings store ("Not Found" when it is missing).
    QString installPath() const { return common::installPath(m_settings); }

protected:
    // Shows the main window (showMainWindow) and runs the event loop; its exit code.
    int exec(QWidget& window, SingleInstance& instance, WindowSize size);

private:
    std::unique_ptr<QApplication> m_app;
    SettingsStore m_settings;
};

// A program of the suite with its single-instance service, Instance (constructed from the
// program's name once the application exists).
template <typename Instance> class SuiteProgram : public SuiteApplication {
public:
    SuiteProgram(int& argc, char** argv, const QString& applicationName)
        : SuiteApplication(argc, argv, applicationName), m_instance(applicationName) {}

    // True when another copy runs; it has been asked to come forward and this one ends.
    bool anotherCopyRuns() { return m_instance.raiseRunningCopy(); }
    Instance& instance() { return m_instance; }

    int exec(QWidget& window, WindowSize size) {
        return SuiteApplication::exec(window, m_instance, size);
    }

private:
    Instance m_instance;
};

} // namespace zerva::common
