// The main window's menu bar, built from the command table and kept in step with the
// commands' mode.
#pragma once

#include "keyboard/commands.h"

#include <QMenuBar>

#include <map>

class QAction;
class QMenu;

namespace zerva::keyboard {

class KeyboardMenuBar : public QMenuBar {
    Q_OBJECT

public:
    // Builds every menu and item of the table and connects each item to its command.
    explicit KeyboardMenuBar(Commands& commands, QWidget* parent = nullptr);

    // The action of an entry: an item, a separator, cmdHelp, or a menu's own action.
    QAction* action(MenuId id) const;
    // A menu of the bar (File, Pattern); nullptr for anything else.
    QMenu* menu(MenuId id) const;

    // Shows, hides and renames the entries as the commands' mode says.
    void refresh();

signals:
    // The key edit command belongs to the window that holds the keys.
    void DirectEditKeyTriggered();

private:
    void connectCommand(MenuId id, QAction* action);

    Commands& m_commands;
    std::map<MenuId, QAction*> m_actions;
    std::map<MenuId, QMenu*> m_menus;
};

} // namespace zerva::keyboard
