// The help viewer: HTML pages in the suite's own window, other files to the desktop.
#pragma once

#include "common/services.h"

#include <QPointer>
#include <QTextBrowser>

namespace zerva::common {

class SuiteHelpViewer : public HelpViewer {
public:
    SuiteHelpViewer();
    ~SuiteHelpViewer() override;
    bool open(const QString& path) override;

    // The window, once a page has been shown (for tests and the programs' own use).
    QTextBrowser* window() const { return m_window; }

private:
    QPointer<QTextBrowser> m_window;
};

} // namespace zerva::common
