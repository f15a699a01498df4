// The file list's pop-up menu.
#include "converter/ui/menu.h"

#include "common/ui/fonts.h"
#include "converter/cnv_texts.h"

#include <QMenu>

namespace zerva::converter {

Menu::Menu(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("Menu"));
    m_fileMenu = new QMenu(texts::kFileMenu());
    m_fileMenu->setObjectName(QStringLiteral("FileMenu"));
    m_fileMenu->setLayoutDirection(Qt::RightToLeft);
    m_fileMenu->setFont(common::suiteFont(9.75, true));
    m_selAll = m_fileMenu->addAction(texts::kSelAll());
    m_selAll->setObjectName(QStringLiteral("SelAll"));
    m_deselAll = m_fileMenu->addAction(texts::kDeselAll());
    m_deselAll->setObjectName(QStringLiteral("DeselAll"));
    m_revSel = m_fileMenu->addAction(texts::kRevSel());
    m_revSel->setObjectName(QStringLiteral("RevSel"));
}

Menu::~Menu() {
    delete m_fileMenu;
}

void Menu::popup(const QPoint& globalPos) {
    m_fileMenu->exec(globalPos);
}

} // namespace zerva::converter
