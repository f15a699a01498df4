// The export, print, undo and redo items of the File menu.
#include "file_menu_extras.h"

#include "keyboard/import_command.h"
#include "keyboard/print/export_commands.h"
#include "keyboard/ui/frm_import.h"
#include "keyboard/ui/print_preview.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPrintPreviewDialog>

#include <memory>

namespace zerva::keyboard {

QString undoCaption() {
    return QStringLiteral("&واگرد");
}

QString redoCaption() {
    return QStringLiteral("ا&زنو");
}

FileMenuExtras installFileMenuExtras(frmMain& window, KeyboardMenuBar& bar, Commands& commands,
                                     common::FileDialogs& dialogs, SystemLayouts& system) {
    QMenu* file = bar.menu(MenuId::File);
    QAction* before = bar.action(MenuId::DirectEdit);
    QUndoStack& stack = window.undoHistory().stack();

    FileMenuExtras items;
    auto exporter = std::make_shared<ExportCommands>(window.model(), window.messenger(), dialogs);
    items.exportMenu = new QMenu(QStringLiteral("&صدور"), file);
    items.exportMenu->setObjectName(QStringLiteral("ExportKBL"));
    items.exportMenu->menuAction()->setObjectName(QStringLiteral("ExportKBL"));
    auto exportItem = [&](const QString& caption, const char* name, auto run) {
        QAction* a = items.exportMenu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        QObject::connect(a, &QAction::triggered, file, run);
        return a;
    };
    items.exportKlc = exportItem(QStringLiteral("براي &ويندوز (klc)..."), "ExportKlc",
                                 [exporter] { exporter->exportLayoutFile(ExportFormat::Klc); });
    items.exportKeylayout =
        exportItem(QStringLiteral("براي &مك (keylayout)..."), "ExportKeylayout",
                   [exporter] { exporter->exportLayoutFile(ExportFormat::Keylayout); });
    items.exportXkb = exportItem(QStringLiteral("براي &لينوكس (XKB)..."), "ExportXkb",
                                 [exporter] { exporter->exportLayoutFile(ExportFormat::Xkb); });
    items.exportPicture = exportItem(QStringLiteral("&تصوير (PDF، SVG، PNG)..."), "ExportPicture",
                                     [exporter] { exporter->exportPicture(); });
    items.print = new QAction(QStringLiteral("&چاپ..."), file);
    items.print->setObjectName(QStringLiteral("PrintKBL"));
    items.print->setShortcut(QKeySequence(QKeySequence::Print));
    QObject::connect(items.print, &QAction::triggered, file, [&window] {
        std::unique_ptr<QPrintPreviewDialog> preview(makePrintPreview(window.model(), &window));
        preview->exec();
    });
    items.import = new QAction(QStringLiteral("خواندن از صفحه كليدهاي &سيستم..."), file);
    items.import->setObjectName(QStringLiteral("ImportKBL"));
    QObject::connect(items.import, &QAction::triggered, file, [&window, &commands, &system] {
        frmImport dialog(frmImport::systemList(), &window);
        dialog.exec();
        if (const std::optional<SystemLayoutName> layout = dialog.chosen()) {
            importSystemLayout(commands, system, *layout, window.messenger());
        }
    });
    QAction* s0 = bar.action(MenuId::S0);
    file->insertAction(bar.action(MenuId::SaveAsKBL), items.import);
    file->insertMenu(s0, items.exportMenu);
    file->insertAction(s0, items.print);

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
        for (QAction* a : {items.import, items.exportMenu->menuAction(), items.print, items.undo,
                           items.redo, separator}) {
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
