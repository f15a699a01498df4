// The main window's commands: modes and menus, the unsaved-changes question from every
// command and from closing, the layout sources, the file commands, installing, help, and the
// program's second start.
#include "keyboard/commands.h"
#include "keyboard/layout_file.h"
#include "keyboard/standard_layout.h"
#include "keyboard/ui/command_wiring.h"

#include "common/codepage.h"
#include "common/settings_store.h"
#include "tests/support/fake_keyboard_services.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/fake_services.h"
#include "tests/support/full_disk.h"
#include "tests/support/second_start.h"
#include "tests/support/test_paths.h"

#include <QAction>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace zerva;
using keyboard::Commands;
using keyboard::LayoutModel;
using keyboard::MenuId;

namespace {

const QString kSystemLabel = QStringLiteral("فعال سيستم");
const QString kStandardLabel = QStringLiteral("صفحه كليد زروا");
const QString kTitle =
    QStringLiteral("زروا 2001 - مبدل صفحه كليد فارسي (2.00)") + QStringLiteral(" - ");
const QString kPrompt = QStringLiteral("الگو تغيير كرده است. آيا ميخواهيد آن را ذخيره كنيد؟");

// The system's file differs from the standard layout on key Q (13): "@" in the base plane.
constexpr int kMarkKey = 13;
constexpr std::uint8_t kSystemMark = '@';
constexpr std::uint8_t kStandardQ = 214;
// The edit every test makes: "#" on the backquote key (0), base plane.
constexpr std::uint8_t kEdit = '#';

QByteArray systemImage() {
    QByteArray f = keyboard::standardLayoutImage();
    f[keyboard::kBasePlaneOffset + kMarkKey] = static_cast<char>(kSystemMark);
    return f;
}

int entryOf(std::uint8_t code) {
    return keyboard::findFixedEntry(code);
}

class FakeView : public keyboard::CommandView {
public:
    void setWindowCaption(const QString& text) override { caption = text; }
    void setEditMode(bool edit) override { editMode = edit; }
    void focusFirstKey() override { ++focusCalls; }
    void closeWindow() override { closed = commands && commands->queryClose(); }

    Commands* commands = nullptr;
    QString caption;
    bool editMode = false;
    int focusCalls = 0;
    bool closed = false;
};

// Everything the commands work on, in a temporary folder: the system folder with its layout
// file, a settings store, the fakes.
struct Rig {
    QTemporaryDir dir;
    QString systemFile;
    QString helpPage = dir.filePath(QStringLiteral("help/zerva.html"));
    common::SettingsStore settings{dir.filePath(QStringLiteral("user.reg")),
                                   dir.filePath(QStringLiteral("defaults.reg"))};
    test::FakeMessenger messenger;
    test::FakeFileDialogs dialogs;
    test::FakeLayoutReloader reloader;
    test::FakeHelpViewer help;
    LayoutModel model;
    FakeView view;
    Commands commands{model, view, {messenger, dialogs, reloader, settings, help}, systemFile};

    // The system's layout file lives in systemFolder when one is given.
    explicit Rig(const QString& systemFolder = {})
        : systemFile((systemFolder.isEmpty() ? dir.filePath(QStringLiteral("Windows/System"))
                                             : systemFolder) +
                     QStringLiteral("/KBDA1.KBD")) {
        test::writeFile(systemFile, systemImage());
        test::writeFile(
            settings.defaultsFile(),
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n\"help\"=\"" +
                helpPage.toUtf8() + "\"\n");
        view.commands = &commands;
        commands.load();
    }

    void edit() { model.SetKey(0, entryOf(kEdit)); }
    bool edited() const { return model.entryOnKey(0) == entryOf(kEdit); }
    bool showsSystem() const { return model.entryOnKey(kMarkKey) == entryOf(kSystemMark); }
    bool showsStandard() const { return model.entryOnKey(kMarkKey) == entryOf(kStandardQ); }
    // Whether the layout in a file has the edit on key 0.
    static bool fileHasEdit(const QString& path) {
        return test::readFile(path).at(keyboard::kBasePlaneOffset) == static_cast<char>(kEdit);
    }
    QString tempPath(const char* name) { return dir.filePath(QLatin1String(name)); }
};

TEST(Commands, LoadShowsTheSystemLayoutInViewModeWithItsCaption) {
    Rig rig;
    EXPECT_TRUE(rig.showsSystem());
    EXPECT_EQ(rig.view.caption, kTitle + kSystemLabel);
    EXPECT_FALSE(rig.model.LayoutChanged());
    EXPECT_FALSE(rig.commands.editMode());
    EXPECT_FALSE(rig.view.editMode);
    EXPECT_TRUE(rig.messenger.all().isEmpty());
}

TEST(Commands, MenuItemsFollowTheModeAndDirectEditChangesItsCaption) {
    Rig rig;
    const std::vector<MenuId> always{MenuId::File, MenuId::DirectEdit, MenuId::ExitKBC,
                                     MenuId::cmdHelp};
    const std::vector<MenuId> editOnly{MenuId::OpenKBL,
                                       MenuId::SaveAsKBL,
                                       MenuId::S0,
                                       MenuId::Apply,
                                       MenuId::S2,
                                       MenuId::Pattern,
                                       MenuId::ChangeToZerva,
                                       MenuId::ChangeToActive,
                                       MenuId::DirectEditKey};
    auto check = [&](bool edit) {
        for (MenuId id : always) {
            EXPECT_TRUE(rig.commands.isVisible(id))
                << keyboard::menuEntry(id).objectName.toStdString();
        }
        for (MenuId id : editOnly) {
            EXPECT_EQ(rig.commands.isVisible(id), edit)
                << keyboard::menuEntry(id).objectName.toStdString();
        }
    };
    check(false);
    EXPECT_EQ(rig.commands.caption(MenuId::DirectEdit), QStringLiteral("و&يرايش"));
    rig.commands.DirectEdit();
    check(true);
    EXPECT_EQ(rig.commands.caption(MenuId::DirectEdit), QStringLiteral("نمايش"));
    rig.commands.DirectEdit();
    check(false);
    EXPECT_EQ(rig.commands.caption(MenuId::DirectEdit), QStringLiteral("ويرايش"));
    EXPECT_EQ(rig.view.focusCalls, 1);
}

// Every command that replaces a changed layout asks first; Cancel keeps everything, No drops
// the edits without writing, Yes on the system's layout installs it and goes on.
TEST(Commands, ConfirmSaveChangesFromEveryCommand) {
    struct Command {
        const char* name;
        std::function<void(Rig&)> run;
        // What the command shows when it goes on; nothing for closing.
        std::function<bool(const Rig&)> shows;
    };
    const std::vector<Command> commands{
        {"DirectEdit", [](Rig& r) { r.commands.DirectEdit(); },
         [](const Rig& r) { return r.showsSystem() && !r.commands.editMode(); }},
        {"ChangeToActive", [](Rig& r) { r.commands.ChangeToActive(); },
         [](const Rig& r) { return r.showsSystem(); }},
        {"ChangeToZerva", [](Rig& r) { r.commands.ChangeToZerva(); },
         [](const Rig& r) { return r.showsStandard() && r.model.sourceLabel() == kStandardLabel; }},
        {"OpenKBL",
         [](Rig& r) {
             test::writeFile(r.tempPath("other.kbd"), keyboard::standardLayoutImage());
             r.dialogs.answers.push_back(r.tempPath("other.kbd"));
             r.commands.OpenKBL();
         },
         [](const Rig& r) { return r.showsStandard(); }},
        {"ExitKBC", [](Rig& r) { r.commands.ExitKBC(); },
         [](const Rig& r) { return r.view.closed; }},
    };
    struct Answer {
        const char* name;
        int answer;
    };
    for (const Command& command : commands) {
        for (const Answer& a : {Answer{"Yes", 0}, Answer{"No", 1}, Answer{"Cancel", 2}}) {
            SCOPED_TRACE(std::string(command.name) + " " + a.name);
            Rig rig;
            rig.commands.DirectEdit(); // edit mode
            rig.edit();
            rig.messenger.answer({a.answer});
            command.run(rig);

            ASSERT_EQ(rig.messenger.boxes().size(), 1u);
            const common::MsgBoxArgs& box = rig.messenger.boxes()[0];
            EXPECT_EQ(box.prompt, kPrompt);
            EXPECT_EQ(box.button, common::kYesNoCancel);
            EXPECT_EQ(box.title, QStringLiteral("توجه!"));
            EXPECT_EQ(box.cancelCaption, QStringLiteral("انصراف"));
            EXPECT_FALSE(box.buttonWidthEqual);

            EXPECT_EQ(Rig::fileHasEdit(rig.systemFile), a.answer == 0);
            EXPECT_EQ(rig.reloader.installed.size(), a.answer == 0 ? 1u : 0u);
            if (a.answer == 2) {
                EXPECT_TRUE(rig.edited());
                EXPECT_TRUE(rig.model.LayoutChanged());
                EXPECT_TRUE(rig.commands.editMode());
                EXPECT_FALSE(rig.view.closed);
                EXPECT_TRUE(rig.dialogs.asked.empty());
            } else {
                EXPECT_TRUE(command.shows(rig));
                if (std::string(command.name) != "ExitKBC") {
                    EXPECT_FALSE(rig.model.LayoutChanged());
                }
            }
        }
    }
}

TEST(Commands, YesOnTheStandardLayoutAsksForAFileAndItsCancelKeepsTheWindow) {
    Rig rig;
    rig.commands.DirectEdit();
    rig.commands.ChangeToZerva(); // unchanged: asks nothing
    EXPECT_TRUE(rig.messenger.all().isEmpty());
    EXPECT_EQ(rig.view.caption, kTitle + kStandardLabel);
    rig.edit();

    rig.messenger.answer({0});
    rig.commands.ExitKBC(); // the save dialog is cancelled (no answer scripted)
    EXPECT_FALSE(rig.view.closed);
    ASSERT_EQ(rig.dialogs.asked.size(), 1u);
    const common::FileDialogArgs& args = rig.dialogs.asked[0];
    EXPECT_EQ(args.filter,
              QStringLiteral("Keyboard Layout Files (*.kbd)|*.kbd|All Files (*.*)|*.*"));
    EXPECT_EQ(args.defaultExtension, QStringLiteral("kbd"));
    EXPECT_TRUE(args.askOverwrite);
    EXPECT_TRUE(rig.edited());
    EXPECT_TRUE(rig.model.LayoutChanged());
    EXPECT_TRUE(rig.reloader.installed.empty());

    // Yes again with a name: saved there, the file becomes the source, the window closes.
    const QString saved = rig.tempPath("mine.kbd");
    rig.messenger.answer({0});
    rig.dialogs.answers.push_back(saved);
    rig.commands.ExitKBC();
    EXPECT_TRUE(rig.view.closed);
    EXPECT_TRUE(Rig::fileHasEdit(saved));
    EXPECT_EQ(rig.view.caption, kTitle + saved);
    EXPECT_FALSE(Rig::fileHasEdit(rig.systemFile));
}

TEST(Commands, YesOnAFileSavesIntoThatFileOnly) {
    Rig rig;
    rig.commands.DirectEdit();
    const QString file = rig.tempPath("layout.kbd");
    test::writeFile(file, keyboard::standardLayoutImage());
    rig.dialogs.answers.push_back(file);
    rig.commands.OpenKBL();
    EXPECT_EQ(rig.view.caption, kTitle + file);
    rig.edit();
    rig.messenger.answer({0});
    rig.commands.ExitKBC();
    EXPECT_TRUE(rig.view.closed);
    EXPECT_TRUE(Rig::fileHasEdit(file));
    EXPECT_EQ(test::readFile(rig.systemFile), systemImage());
    EXPECT_EQ(rig.dialogs.asked.size(), 1u); // only the open dialog
}

TEST(Commands, OpenWithNoThenCancelKeepsTheEditsAndALaterCloseAsksNothing) {
    Rig rig;
    rig.commands.DirectEdit();
    rig.edit();
    rig.messenger.answer({1});
    rig.commands.OpenKBL(); // the open dialog is cancelled
    EXPECT_EQ(rig.dialogs.asked.size(), 1u);
    EXPECT_TRUE(rig.edited());
    EXPECT_FALSE(rig.model.LayoutChanged());
    EXPECT_EQ(rig.view.caption, kTitle + kSystemLabel);

    rig.commands.ExitKBC();
    EXPECT_TRUE(rig.view.closed);
    EXPECT_EQ(rig.messenger.boxes().size(), 1u);
    EXPECT_FALSE(Rig::fileHasEdit(rig.systemFile));
}

TEST(Commands, ApplyInstallsAndReturnsToViewModeOnTheSystemLayout) {
    Rig rig;
    rig.commands.DirectEdit();
    const QString file = rig.tempPath("layout.kbd");
    test::writeFile(file, keyboard::standardLayoutImage());
    rig.dialogs.answers.push_back(file);
    rig.commands.OpenKBL();
    rig.edit();

    rig.commands.Apply();
    EXPECT_TRUE(rig.messenger.all().isEmpty());
    EXPECT_FALSE(rig.commands.editMode());
    EXPECT_FALSE(rig.model.LayoutChanged());
    EXPECT_EQ(rig.view.caption, kTitle + kSystemLabel);
    EXPECT_TRUE(rig.edited()); // read back from the system's file
    EXPECT_TRUE(Rig::fileHasEdit(rig.systemFile));
    EXPECT_EQ(test::readFile(file), keyboard::standardLayoutImage()); // the source file stays
    ASSERT_EQ(rig.reloader.installed.size(), 1u);
    EXPECT_EQ(rig.reloader.installed[0][0], QStringLiteral("#"));
    EXPECT_TRUE(QDir(rig.dir.filePath(QStringLiteral("Windows/System"))).entryList(QDir::Files) ==
                QStringList{QStringLiteral("KBDA1.KBD")});

    rig.commands.ExitKBC();
    EXPECT_TRUE(rig.view.closed);
    EXPECT_TRUE(rig.messenger.all().isEmpty());
}

TEST(Commands, PersianLettersMenuItemDecidesWhatApplyInstalls) {
    Rig rig;
    rig.commands.DirectEdit();
    const QString yeh = QString(QChar(0x06CC));
    const QString arabicYeh = QString(common::cp1256Char(237));
    EXPECT_TRUE(rig.commands.isChecked(MenuId::PersianLetters)); // on when never set
    EXPECT_TRUE(rig.commands.isVisible(MenuId::PersianLetters));
    rig.commands.Apply();
    ASSERT_EQ(rig.reloader.installed.size(), 1u);
    EXPECT_EQ(rig.reloader.installed[0][28], yeh);
    EXPECT_EQ(rig.reloader.installed[0][1], QString(QChar(0x06F1)));
    // The system's file keeps its code page 1256 byte.
    EXPECT_EQ(test::readFile(rig.systemFile).at(keyboard::kBasePlaneOffset + 28), '\xED');

    rig.commands.DirectEdit();
    rig.commands.PersianLetters();
    EXPECT_FALSE(rig.commands.isChecked(MenuId::PersianLetters));
    EXPECT_EQ(common::RegReadString(rig.settings, common::HKEY_CURRENT_USER,
                                    QStringLiteral("Software\\Zerva\\Zerva 2001\\Keyboard"),
                                    QStringLiteral("PersianLetters")),
              QStringLiteral("0"));
    rig.edit();
    rig.commands.Apply();
    ASSERT_EQ(rig.reloader.installed.size(), 2u);
    EXPECT_EQ(rig.reloader.installed[1][28], arabicYeh);
    EXPECT_EQ(rig.reloader.installed[1][1], QStringLiteral("1"));
    rig.commands.DirectEdit();
    rig.commands.PersianLetters();
    EXPECT_TRUE(rig.commands.isChecked(MenuId::PersianLetters));
    EXPECT_TRUE(rig.messenger.all().isEmpty());
}

TEST(Commands, ReadingKeepsTheShiftPlaneShown) {
    Rig rig;
    // The system's file gets "@" on key 1's shift slot.
    QByteArray f = systemImage();
    f[keyboard::kShiftPlaneOffset + 1] = static_cast<char>(kSystemMark);
    f[keyboard::kShiftCopyOffset + 1] = static_cast<char>(kSystemMark);
    test::writeFile(rig.systemFile, f);
    rig.commands.DirectEdit();
    rig.commands.ChangeToZerva();
    rig.model.setShiftPlaneShown(true);
    EXPECT_EQ(rig.model.entryOnKey(1), entryOf('!'));

    rig.commands.ChangeToActive();
    EXPECT_TRUE(rig.model.shiftPlaneShown());
    EXPECT_EQ(rig.model.entryOnKey(1), entryOf(kSystemMark));

    rig.commands.ChangeToZerva();
    EXPECT_TRUE(rig.model.shiftPlaneShown());
    EXPECT_EQ(rig.model.entryOnKey(30), keyboard::kLamAlefEntry);
    EXPECT_EQ(rig.model.keyCaption(2), QStringLiteral("اً"));
}

TEST(Commands, FailedInstallationKeepsTheOldFileTheEditsAndTheWindow) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> breakIt;
        QString message;
        std::size_t reloads;
    };
    const std::vector<Case> cases{
        {"reload refused",
         [](Rig& r) {
             r.reloader.result = {keyboard::ReloadResult::SessionLoadFailed, {}};
         },
         keyboard::installReloadFailedMessage(), 1},
        {"symbols not written",
         [](Rig& r) {
             r.reloader.result = {keyboard::ReloadResult::WriteFailed, {}};
         },
         keyboard::installReloadFailedMessage(), 1},
        {"layout too large for a file",
         [](Rig& r) {
             // Long combined keys on every shift slot: more than a layout file can hold.
             r.model.setShiftPlaneShown(true);
             for (int key = 0; key < keyboard::kKeyCount; ++key) {
                 const QByteArray text(250, static_cast<char>(200 + key % 20));
                 r.model.SetKey(key, r.model.AddPaletteEntry(text + QByteArray::number(key)));
             }
             r.model.setShiftPlaneShown(false);
         },
         keyboard::installWriteFailedMessage(), 0},
        {"folder not writable",
         [](Rig& r) {
             // The system folder's place is taken by a plain file: nothing can be written.
             QDir(r.dir.filePath(QStringLiteral("Windows/System"))).removeRecursively();
             test::writeFile(r.dir.filePath(QStringLiteral("Windows/System")), "not a folder");
         },
         keyboard::installWriteFailedMessage(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool fromQuestion : {false, true}) {
            SCOPED_TRACE(fromQuestion ? "ConfirmSaveChanges" : "Apply");
            Rig rig;
            rig.commands.DirectEdit();
            rig.edit();
            c.breakIt(rig);
            const QByteArray before = test::readFile(rig.systemFile);
            if (fromQuestion) {
                rig.messenger.answer({0});
                rig.commands.ExitKBC();
                EXPECT_FALSE(rig.view.closed);
            } else {
                rig.commands.Apply();
            }
            const QStringList prompts = rig.messenger.prompts();
            ASSERT_FALSE(prompts.isEmpty());
            EXPECT_EQ(prompts.back(), c.message);
            EXPECT_EQ(rig.messenger.boxes().back().title, QStringLiteral("اشكال!"));
            EXPECT_EQ(test::readFile(rig.systemFile), before);
            EXPECT_EQ(rig.reloader.installed.size(), c.reloads);
            EXPECT_TRUE(rig.commands.editMode());
            EXPECT_TRUE(rig.edited());
            EXPECT_TRUE(rig.model.LayoutChanged());
            const QDir system(rig.dir.filePath(QStringLiteral("Windows/System")));
            if (system.exists()) {
                EXPECT_EQ(system.entryList(QDir::Files), QStringList{QStringLiteral("KBDA1.KBD")});
            }
        }
    }
}

TEST(Commands, InstallOnAFullDiskKeepsTheSystemFileAndSaysSo) {
    test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    Rig rig(disk.path());
    rig.commands.DirectEdit();
    rig.edit();
    const QByteArray before = test::readFile(rig.systemFile);
    disk.arm();
    rig.commands.Apply();
    disk.disarm();
    ASSERT_FALSE(rig.messenger.prompts().isEmpty());
    EXPECT_EQ(rig.messenger.prompts().back(), keyboard::installWriteFailedMessage());
    EXPECT_EQ(test::readFile(rig.systemFile), before);
    EXPECT_TRUE(rig.reloader.installed.empty());
    EXPECT_TRUE(rig.model.LayoutChanged());
    EXPECT_EQ(test::folderEntries(disk.path()), QStringList{QStringLiteral("KBDA1.KBD")});
}

TEST(Commands, FailedSaveIsReportedAndKeepsTheWindowAndTheSource) {
    Rig rig;
    rig.commands.DirectEdit();
    rig.commands.ChangeToZerva();
    rig.edit();
    test::writeFile(rig.tempPath("blocker"), "a file, not a folder");
    const QString bad = rig.tempPath("blocker/x.kbd");

    rig.dialogs.answers.push_back(bad);
    rig.commands.SaveAsKBL();
    ASSERT_EQ(rig.messenger.prompts().size(), 1);
    EXPECT_TRUE(rig.messenger.prompts()[0].endsWith(bad));
    EXPECT_EQ(rig.model.sourceLabel(), kStandardLabel);
    EXPECT_TRUE(rig.model.LayoutChanged());

    rig.messenger.answer({0});
    rig.dialogs.answers.push_back(bad);
    rig.commands.ExitKBC();
    EXPECT_FALSE(rig.view.closed);
    EXPECT_TRUE(rig.edited());
}

TEST(Commands, ARefusedFileKeepsTheCaptionOfTheLayoutShown) {
    Rig rig;
    rig.commands.DirectEdit();
    const QString broken = rig.tempPath("broken.kbd");
    test::writeFile(broken, QByteArray(100, 'x'));
    rig.dialogs.answers.push_back(broken);
    rig.commands.OpenKBL();
    EXPECT_EQ(rig.messenger.prompts().size(), 1); // the reader's own message
    EXPECT_TRUE(rig.showsSystem());
    EXPECT_EQ(rig.view.caption, kTitle + kSystemLabel);
    EXPECT_FALSE(rig.model.LayoutChanged());
}

TEST(Commands, ALaterYesWritesTheLayoutShownToItsOwnSourceNeverToARefusedFile) {
    Rig rig;
    rig.commands.DirectEdit();
    const QString own = rig.tempPath("own.kbd");
    rig.dialogs.answers.push_back(own);
    rig.commands.SaveAsKBL(); // the layout shown now comes from own.kbd
    const QString broken = rig.tempPath("broken.kbd");
    const QByteArray brokenBytes(100, 'x');
    test::writeFile(broken, brokenBytes);
    rig.dialogs.answers.push_back(broken);
    rig.commands.OpenKBL();
    ASSERT_EQ(rig.messenger.prompts().size(), 1); // the reader refused it
    EXPECT_EQ(rig.view.caption, kTitle + own);

    rig.edit();
    rig.messenger.answer({0});
    rig.commands.ExitKBC();
    EXPECT_TRUE(rig.view.closed);
    EXPECT_TRUE(Rig::fileHasEdit(own));
    EXPECT_EQ(test::readFile(broken), brokenBytes);
}

TEST(Commands, SaveAsMakesTheFileTheSource) {
    Rig rig;
    rig.commands.DirectEdit();
    rig.edit();
    const QString file = rig.tempPath("saved.kbd");
    rig.dialogs.answers.push_back(file);
    rig.commands.SaveAsKBL();
    EXPECT_TRUE(Rig::fileHasEdit(file));
    EXPECT_EQ(rig.view.caption, kTitle + file);
    EXPECT_FALSE(rig.model.LayoutChanged());
    EXPECT_FALSE(Rig::fileHasEdit(rig.systemFile));
    EXPECT_TRUE(rig.messenger.all().isEmpty());
}

TEST(Commands, HelpOpensTheKeyboardSectionOfTheSuitePage) {
    Rig rig;
    rig.commands.cmdHelp();
    ASSERT_EQ(rig.help.opened.size(), 1);
    EXPECT_EQ(QUrl(rig.help.opened[0]).fragment(), QStringLiteral("keyboard"));
    EXPECT_EQ(QUrl(rig.help.opened[0]).toLocalFile(), rig.helpPage);

    test::writeFile(rig.settings.defaultsFile(), "REGEDIT4\n");
    rig.commands.cmdHelp();
    EXPECT_EQ(rig.help.opened.size(), 1);
    EXPECT_TRUE(rig.messenger.all().isEmpty());
}

TEST(XkbKeyTexts, FixedEntriesGiveTheirCodeCombinedKeysTheirWholeText) {
    LayoutModel model;
    test::FakeMessenger messenger;
    ASSERT_EQ(keyboard::readLayoutBytes(model, keyboard::standardLayoutImage(), messenger),
              keyboard::ReadOutcome::Read);
    model.SetKey(0, 99); // zero-width non-joiner, caption "فاصلهي مجازي"
    model.SetKey(1, 96); // right-to-left mark, caption "RTL"
    model.SetKey(3, 57); // tatweel, shown with a non-joiner
    model.ClearKey(4);
    const keyboard::XkbKeyTexts texts = keyboard::xkbKeyTexts(model);
    EXPECT_EQ(texts[0], QString(QChar(0x200C)));
    EXPECT_EQ(texts[1], QString(QChar(0x200F)));
    EXPECT_EQ(texts[3], QString(QChar(0x0640)));
    EXPECT_TRUE(texts[4].isEmpty());
    EXPECT_EQ(texts[47], QStringLiteral(" "));
    EXPECT_EQ(texts[48 + 30], QStringLiteral("لا"));
    EXPECT_EQ(texts[48 + 2], QStringLiteral("اً"));
    EXPECT_EQ(texts[48 + 47], QString(QChar(0x200C)));
}

TEST(KeyboardMenuBar, ItemsCaptionsShortcutsAndTheCloseQuestion) {
    Rig rig;
    QMainWindow window;
    keyboard::CommandViewFunctions view;
    bool editMode = false;
    view.editMode = [&](bool e) { editMode = e; };
    view.close = [&] { window.close(); };
    LayoutModel model;
    Commands commands(model, view,
                      {rig.messenger, rig.dialogs, rig.reloader, rig.settings, rig.help},
                      rig.systemFile);
    keyboard::KeyboardMenuBar* bar = keyboard::installCommands(window, commands);
    commands.load();
    window.show();

    struct Row {
        const char* name;
        QString caption;
        QString shortcut;
    };
    const std::vector<Row> rows{
        {"OpenKBL", QStringLiteral("&خواندن..."), QStringLiteral("Ctrl+O")},
        {"SaveAsKBL", QStringLiteral("&ذخيره ..."), QString()},
        {"Apply", QStringLiteral("&اعمال "), QString()},
        {"DirectEdit", QStringLiteral("و&يرايش"), QString()},
        {"ExitKBC", QStringLiteral("خروج"), QStringLiteral("Ctrl+Q")},
        {"ChangeToZerva", QStringLiteral("&زروا"), QString()},
        {"ChangeToActive", QStringLiteral("&فعال"), QString()},
        {"DirectEditKey", QStringLiteral("&ويرايش كليد"), QString()},
        {"cmdHelp", QStringLiteral("&راهنما"), QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* a = window.findChild<QAction*>(QLatin1String(row.name));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), row.caption);
        EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText), row.shortcut);
    }
    ASSERT_NE(window.findChild<QMenu*>(QStringLiteral("File")), nullptr);
    EXPECT_EQ(window.findChild<QMenu*>(QStringLiteral("Pattern"))->title(),
              QStringLiteral("&الگو"));
    EXPECT_EQ(window.findChild<QMenu*>(QStringLiteral("File"))->title(), QStringLiteral("&پرونده"));
    EXPECT_FALSE(bar->action(MenuId::OpenKBL)->isVisible());
    EXPECT_FALSE(bar->action(MenuId::Pattern)->isVisible());

    bar->action(MenuId::DirectEdit)->trigger();
    EXPECT_TRUE(editMode);
    EXPECT_TRUE(bar->action(MenuId::OpenKBL)->isVisible());
    EXPECT_TRUE(bar->action(MenuId::Pattern)->isVisible());
    EXPECT_TRUE(bar->action(MenuId::S0)->isVisible());
    EXPECT_EQ(bar->action(MenuId::DirectEdit)->text(), QStringLiteral("نمايش"));
    QAction* letters = bar->action(MenuId::PersianLetters);
    ASSERT_TRUE(letters->isCheckable());
    EXPECT_TRUE(letters->isChecked());
    letters->trigger();
    EXPECT_FALSE(letters->isChecked());
    EXPECT_FALSE(commands.isChecked(MenuId::PersianLetters));

    // The close box and ExitKBC both ask; Cancel keeps the window.
    model.SetKey(0, entryOf(kEdit));
    rig.messenger.answer({2});
    bar->action(MenuId::ExitKBC)->trigger();
    EXPECT_TRUE(window.isVisible());
    rig.messenger.answer({1});
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(rig.messenger.boxes().size(), 2u);
}

TEST(KeyboardProgram, SecondStartRaisesTheFirstWindowAndEnds) {
    if (const QString reason = test::secondStartUnavailable(); !reason.isEmpty()) {
        GTEST_SKIP() << reason.toStdString();
    }
    test::expectSecondStartRaisesTheFirst(
        QStringLiteral("Keyboard"), QStringLiteral("Keyboard"), [](const QDir& home) {
            // The first start seeded the system folder with the standard layout.
            EXPECT_EQ(test::readFile(
                          home.filePath(QStringLiteral("data/Zerva/Windows/System/KBDA1.KBD"))),
                      keyboard::standardLayoutImage());
        });
}

} // namespace
