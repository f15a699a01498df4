// Opening a system layout: the system's list, the characters put into the model and those
// reported, the command with its question, and the real Persian layout of the system.
#include "keyboard/import_command.h"
#include "keyboard/layout_import.h"
#include "keyboard/platform/xkb_system_layouts.h"
#include "keyboard/ui/frm_import.h"

#include "keyboard_test_util.h"

#include "common/codepage.h"
#include "common/settings_store.h"
#include "tests/support/fake_keyboard_services.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/fake_services.h"
#include "tests/support/test_paths.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace zerva;
using namespace zerva::keyboard;

namespace {

const QByteArray kList = R"(<?xml version="1.0" encoding="UTF-8"?>
<xkbConfigRegistry version="1.1">
  <modelList><model><configItem><name>pc105</name><description>Generic</description></configItem></model></modelList>
  <layoutList>
    <layout>
      <configItem><name>ir</name><shortDescription>fa</shortDescription><description>Persian</description></configItem>
      <variantList>
        <variant><configItem><name>pes_keypad</name><description>Persian (with Persian keypad)</description></configItem></variant>
      </variantList>
    </layout>
    <layout><configItem><name>ara</name><description>Arabic</description></configItem></layout>
  </layoutList>
  <optionList><group><configItem><name>grp</name><description>Switching</description></configItem></group></optionList>
</xkbConfigRegistry>
)";

class FakeSystemLayouts : public SystemLayouts {
public:
    std::optional<XkbKeyTexts> keyTexts(const SystemLayoutName& layout) override {
        asked.push_back(layout);
        return texts;
    }
    std::optional<XkbKeyTexts> texts;
    std::vector<SystemLayoutName> asked;
};

QString u(char32_t c) {
    return QString::fromUcs4(&c, 1);
}

int entryOf(std::uint8_t code) {
    return findFixedEntry(code);
}

} // namespace

TEST(SystemLayoutList, LayoutsThenTheirVariantsInOrder) {
    const std::vector<SystemLayoutName> list = parseXkbLayoutList(kList);
    const std::vector<SystemLayoutName> want{
        {QStringLiteral("ir"), QString(), QStringLiteral("Persian")},
        {QStringLiteral("ir"), QStringLiteral("pes_keypad"),
         QStringLiteral("Persian (with Persian keypad)")},
        {QStringLiteral("ara"), QString(), QStringLiteral("Arabic")},
    };
    EXPECT_EQ(list, want);

    EXPECT_EQ(systemLayoutText(list[1]), QStringLiteral("ir(pes_keypad)"));
    EXPECT_EQ(parseSystemLayoutName(QStringLiteral("ir(pes_keypad)"))->variant,
              QStringLiteral("pes_keypad"));
    EXPECT_EQ(parseSystemLayoutName(QStringLiteral("ara"))->variant, QString());
    EXPECT_FALSE(parseSystemLayoutName(QStringLiteral("ir(")));
    EXPECT_FALSE(parseSystemLayoutName(QStringLiteral("ir pes")));
    EXPECT_FALSE(parseSystemLayoutName(QString()));
}

TEST(SystemLayoutList, TheDialogFiltersAndGivesTheChosenLayout) {
    frmImport dialog(parseXkbLayoutList(kList));
    ASSERT_EQ(dialog.lstLayouts()->count(), 3);
    EXPECT_FALSE(dialog.cmdOk()->isEnabled());
    // Typing picks the first match; the arrow keys move on from the search field.
    QTest::keyClicks(dialog.txtFilter(), QStringLiteral("Pers"));
    EXPECT_TRUE(dialog.lstLayouts()->item(2)->isHidden());
    EXPECT_EQ(dialog.lstLayouts()->currentRow(), 0);
    EXPECT_TRUE(dialog.cmdOk()->isEnabled());
    QTest::keyClick(dialog.txtFilter(), Qt::Key_Down);
    EXPECT_EQ(dialog.lstLayouts()->currentRow(), 1);
    dialog.txtFilter()->setText(QStringLiteral("keypad"));
    EXPECT_TRUE(dialog.lstLayouts()->item(0)->isHidden());
    EXPECT_FALSE(dialog.lstLayouts()->item(1)->isHidden());
    dialog.txtFilter()->setText(QStringLiteral("nothing like it"));
    EXPECT_FALSE(dialog.cmdOk()->isEnabled());
    dialog.txtFilter()->setText(QStringLiteral("keypad"));
    EXPECT_TRUE(dialog.cmdOk()->isEnabled());
    dialog.cmdOk()->click();
    ASSERT_TRUE(dialog.chosen());
    EXPECT_EQ(systemLayoutText(*dialog.chosen()), QStringLiteral("ir(pes_keypad)"));
}

TEST(ImportKeyTexts, FoldsPersianLettersKeepsLigaturesAndReportsTheRest) {
    XkbKeyTexts texts;
    texts[28] = u(0x06CC);                         // Persian yeh on D
    texts[35] = u(0x06A9);                         // keheh on ;
    texts[1] = u(0x06F1);                          // Persian one
    texts[kKeyCount + 30] = u(0xFEFB);             // the lam-alef ligature, shifted G
    texts[kKeyCount + 41] = u(0x0644) + u(0x0623); // lam with hamza alef: a combined key
    texts[kKeyCount + 3] = u(0xFDFC);              // the rial sign: no byte
    texts[kKeyCount + 4] = u(0xFDFC);              // reported once
    texts[41] = u(0x0644) + u(0x0627);             // two characters cannot stand in the base plane
    texts[kKeyCount + 47] = u(0x200C);

    LayoutModel model;
    const QStringList lost = importKeyTexts(model, texts);
    EXPECT_EQ(lost, (QStringList{u(0x0644) + u(0x0627), u(0xFDFC)}));
    EXPECT_EQ(model.KeyMap(28), entryOf(0xED));
    EXPECT_EQ(model.KeyMap(35), entryOf(0xDF));
    EXPECT_EQ(model.KeyMap(1), entryOf('1'));
    EXPECT_EQ(model.KeyMap(kShiftPlaneBase + 30), kLamAlefEntry);
    EXPECT_EQ(model.entry(model.KeyMap(kShiftPlaneBase + 41)).text, QByteArray("\xE1\xC3"));
    EXPECT_EQ(model.KeyMap(kShiftPlaneBase + 3), kEmptyEntry);
    EXPECT_EQ(model.KeyMap(kShiftPlaneBase + 4), kEmptyEntry);
    EXPECT_EQ(model.KeyMap(41), kEmptyEntry);
    EXPECT_EQ(model.KeyMap(kShiftPlaneBase + 47), 99);
    EXPECT_EQ(model.KeyMap(0), kEmptyEntry);
    EXPECT_TRUE(importUnrepresentableMessage(lost).endsWith(u(0xFDFC) +
                                                            QStringLiteral(" \u2066U+FDFC\u2069")));
    EXPECT_TRUE(importUnrepresentableMessage({u(0x0654)})
                    .endsWith(QStringLiteral("\u25CC\u0654 \u2066U+0654\u2069")));
}

TEST(ImportCommand, AsksFirstLabelsTheLayoutAndSavingAsksForAFile) {
    QTemporaryDir dir;
    const QString systemFile = dir.filePath(QStringLiteral("KBDA1.KBD"));
    ASSERT_TRUE(zerva::test::writeFile(systemFile, standardLayoutImage()));
    common::SettingsStore settings{dir.filePath(QStringLiteral("u.reg")),
                                   dir.filePath(QStringLiteral("d.reg"))};
    zerva::test::FakeMessenger msg;
    zerva::test::FakeFileDialogs dialogs;
    zerva::test::FakeLayoutReloader reloader;
    zerva::test::FakeHelpViewer help;
    LayoutModel model;
    CommandViewFunctions view;
    Commands commands(model, view, {msg, dialogs, reloader, settings, help}, systemFile);
    commands.load();
    FakeSystemLayouts system;
    const SystemLayoutName ir{QStringLiteral("ir"), QString(), QString()};

    // Not on the system: told, nothing changed.
    EXPECT_EQ(importSystemLayout(commands, system, ir, msg), ImportOutcome::NotFound);
    EXPECT_EQ(msg.prompts(), QStringList{importNotFoundMessage(QStringLiteral("ir"))});
    EXPECT_EQ(model.sourceLabel(), LayoutModel::systemSourceLabel());

    // Unsaved edits: Cancel keeps them and asks the system nothing.
    msg.clear();
    model.ClearKey(0);
    msg.answer({common::kAnswerCancel});
    EXPECT_EQ(importSystemLayout(commands, system, ir, msg), ImportOutcome::Cancelled);
    EXPECT_EQ(system.asked.size(), 1u);
    EXPECT_TRUE(model.LayoutChanged());

    // No: the layout comes in with the shift plane still shown, one notice of what was lost.
    system.texts = XkbKeyTexts{};
    (*system.texts)[kKeyCount + 5] = u(0x066A);
    (*system.texts)[31] = u(0x0627);
    model.setShiftPlaneShown(true);
    msg.clear();
    msg.answer({common::kAnswerNo});
    EXPECT_EQ(importSystemLayout(commands, system, ir, msg), ImportOutcome::Imported);
    EXPECT_TRUE(model.shiftPlaneShown());
    EXPECT_EQ(model.KeyMap(31), entryOf(0xC7));
    EXPECT_FALSE(model.LayoutChanged());
    EXPECT_EQ(model.sourceLabel(), importedSourceLabel(ir));
    ASSERT_EQ(msg.boxes().size(), 2u);
    EXPECT_EQ(msg.boxes()[1].prompt, importUnrepresentableMessage({u(0x066A)}));

    // Saving an imported layout asks for a file instead of writing one named by the label.
    model.setShiftPlaneShown(false);
    model.ClearKey(31);
    const QString saved = dir.filePath(QStringLiteral("from-ir.kbd"));
    dialogs.answers.push_back(saved);
    msg.answer({common::kAnswerYes});
    EXPECT_EQ(commands.ConfirmSaveChanges(), kConfirmSaved);
    EXPECT_TRUE(QFile::exists(saved));
    EXPECT_EQ(model.sourceLabel(), saved);
}

TEST(ImportSystemLayout, ThePersianLayoutOfTheSystem) {
    if (!QFile::exists(QStringLiteral("/usr/share/X11/xkb/symbols/ir"))) {
        GTEST_SKIP() << "the system has no XKB Persian layout (xkb-data)";
    }
    XkbSystemLayouts system;
    const std::optional<XkbKeyTexts> texts =
        system.keyTexts({QStringLiteral("ir"), QString(), QString()});
    ASSERT_TRUE(texts);
    LayoutModel model;
    const QStringList lost = importKeyTexts(model, *texts);
    // Yeh, keheh and the digits come in as the code page's letters and ASCII digits.
    EXPECT_EQ(model.KeyMap(28), entryOf(0xED)); // D: yeh
    EXPECT_EQ(model.KeyMap(35), entryOf(0xDF)); // ;: kaf
    EXPECT_EQ(model.KeyMap(1), entryOf('1'));
    EXPECT_EQ(model.KeyMap(31), entryOf(0xC7));        // H: alef
    EXPECT_EQ(model.KeyMap(kShiftPlaneBase + 47), 99); // shifted space: ZWNJ
    // What could not be held is reported, and each of them truly has no byte.
    std::printf("characters the layout file could not hold: %s\n",
                importUnrepresentableMessage(lost).toUtf8().constData());
    EXPECT_FALSE(lost.isEmpty());
    for (const QString& c : lost) {
        EXPECT_FALSE(common::cp1256Byte(c.toUcs4().value(0))) << c.toStdString();
    }
    EXPECT_FALSE(system.keyTexts({QStringLiteral("no_such_layout"), QString(), QString()}));
}
