// The undo and redo items of the File menu.
#include "file_menu_extras.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace zerva::keyboard {

QString undoCaption() {
    return QStringLiteral("&واگرد");
}

QString redoCaption() {
    return QStringLiteral("ا&زنو");
}

FileMenuExtras installFileMenuExtras(frmMain& window, KeyboardMenuBar& bar, Commands& commands) {
    QMenu* file = bar.menu(MenuId::File);
    QAction* before = bar.action(MenuId::DirectEdit);
    QUndoStack& stack = window.undoHistory().stack();

    FileMenuExtras items;
    items.undo = new QAction(undoCaption(), file);
    items.undo->setObjectName(QStringLiteral("EditUndo"));
    items.undo->setShortcut(QKeySequence(QKeySequence::Undo));
    items.redo = new QAction(redoCaption(), file);
    items.redo->setObjectName(QStringLiteral("EditRedo"));
    items.redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    auto* separator = new QAction(file);
    separator->setObjectName(QStringLiteral("S3"));
    separator->setSeparator(true);
    file->insertAction(before, items.undo);
    file->insertAction(before, items.redo);
    file->insertAction(before, separator);

    QObject::connect(items.undo, &QAction::triggered, &stack, &QUndoStack::undo);
    QObject::connect(items.redo, &QAction::triggered, &stack, &QUndoStack::redo);
    auto refresh = [items, separator, &stack, &commands] {
        const bool edit = commands.editMode();
        for (QAction* a : {items.undo, items.redo, separator}) {
            a->setVisible(edit);
        }
        items.undo->setEnabled(stack.canUndo());
        items.redo->setEnabled(stack.canRedo());
        items.undo->setToolTip(stack.undoText());
        items.redo->setToolTip(stack.redoText());
    };
    QObject::connect(&commands, &Commands::menuStateChanged, file, refresh);
    QObject::connect(&stack, &QUndoStack::indexChanged, file, refresh);
    QObject::connect(&stack, &QUndoStack::cleanChanged, file, refresh);
    refresh();
    return items;
}

} // namespace zerva::keyboard
