// An HTML help page opens in a right-to-left browser window of our own, which follows
// links; anything else goes to the desktop's handler.
#include "help_window.h"

#include "common/ui/fonts.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>

namespace zerva::common {

SuiteHelpViewer::SuiteHelpViewer() = default;

SuiteHelpViewer::~SuiteHelpViewer() {
    delete m_window.data();
}

bool SuiteHelpViewer::open(const QString& path) {
    QUrl url = QUrl::fromUserInput(path, QString(), QUrl::AssumeLocalFile);
    const bool local = url.isLocalFile();
    const QString suffix = QFileInfo(local ? url.toLocalFile() : url.path()).suffix().toLower();
    if (local && !QFileInfo::exists(url.toLocalFile())) {
        return false;
    }
    if (!local || (suffix != QStringLiteral("html") && suffix != QStringLiteral("htm"))) {
        return QDesktopServices::openUrl(url);
    }
    if (!m_window) {
        m_window = new QTextBrowser;
        m_window->setObjectName(QStringLiteral("helpWindow"));
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->setLayoutDirection(Qt::RightToLeft);
        m_window->setOpenExternalLinks(true);
        m_window->setFont(suiteFont(11));
        m_window->resize(760, 560);
    }
    m_window->setSource(url);
    if (m_window->document()->isEmpty()) {
        return false;
    }
    m_window->setWindowTitle(m_window->documentTitle());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return true;
}

} // namespace zerva::common
