// The main window's menu bar.
#include "menu_bar.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace zerva::keyboard {

KeyboardMenuBar::KeyboardMenuBar(Commands& commands, QWidget* parent)
    : QMenuBar(parent), m_commands(commands) {
    setObjectName(QStringLiteral("MenuBar"));
    for (const MenuEntry& e : menuEntries()) {
        QAction* a = nullptr;
        if (e.id == e.menu && e.id != MenuId::cmdHelp) {
            QMenu* m = addMenu(e.caption);
            m->setObjectName(e.objectName);
            m_menus[e.id] = m;
            a = m->menuAction();
        } else if (e.id == MenuId::cmdHelp) {
            // A command on the bar itself, without items.
            a = addAction(e.caption);
        } else {
            QMenu* m = m_menus.at(e.menu);
            a = e.separator ? m->addSeparator() : m->addAction(e.caption);
        }
        a->setObjectName(e.objectName);
        a->setCheckable(e.checkable);
        if (!e.shortcut.isEmpty()) {
            a->setShortcut(QKeySequence(e.shortcut, QKeySequence::PortableText));
        }
        m_actions[e.id] = a;
        connectCommand(e.id, a);
    }
    connect(&m_commands, &Commands::menuStateChanged, this, &KeyboardMenuBar::refresh);
    refresh();
}

void KeyboardMenuBar::connectCommand(MenuId id, QAction* action) {
    Commands* c = &m_commands;
    switch (id) {
    case MenuId::OpenKBL:
        connect(action, &QAction::triggered, c, &Commands::OpenKBL);
        break;
    case MenuId::SaveAsKBL:
        connect(action, &QAction::triggered, c, &Commands::SaveAsKBL);
        break;
    case MenuId::Apply:
        connect(action, &QAction::triggered, c, &Commands::Apply);
        break;
    case MenuId::DirectEdit:
        connect(action, &QAction::triggered, c, &Commands::DirectEdit);
        break;
    case MenuId::ExitKBC:
        connect(action, &QAction::triggered, c, &Commands::ExitKBC);
        break;
    case MenuId::ChangeToZerva:
        connect(action, &QAction::triggered, c, &Commands::ChangeToZerva);
        break;
    case MenuId::ChangeToActive:
        connect(action, &QAction::triggered, c, &Commands::ChangeToActive);
        break;
    case MenuId::cmdHelp:
        connect(action, &QAction::triggered, c, &Commands::cmdHelp);
        break;
    case MenuId::PersianLetters:
        connect(action, &QAction::triggered, c, &Commands::PersianLetters);
        break;
    case MenuId::DirectEditKey:
        connect(action, &QAction::triggered, this, &KeyboardMenuBar::DirectEditKeyTriggered);
        break;
    case MenuId::File:
    case MenuId::Pattern:
    case MenuId::S0:
    case MenuId::S2:
        break;
    }
}

QAction* KeyboardMenuBar::action(MenuId id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QMenu* KeyboardMenuBar::menu(MenuId id) const {
    const auto it = m_menus.find(id);
    return it == m_menus.end() ? nullptr : it->second;
}

void KeyboardMenuBar::refresh() {
    for (const auto& [id, a] : m_actions) {
        a->setVisible(m_commands.isVisible(id));
        if (!menuEntry(id).separator) {
            a->setText(m_commands.caption(id));
        }
        if (a->isCheckable()) {
            a->setChecked(m_commands.isChecked(id));
        }
    }
}

} // namespace zerva::keyboard
