// Converting the clipboard through the service, the convert button's press, and the watch.
#include "clipboard/clipboard_command.h"
#include "clipboard/cls_clipboard.h"

#include "common/codepage.h"
#include "common/shared_texts.h"
#include "tests/clipboard/fake_clipboard.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/test_paths.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::clipboard;
using zerva::common::cp1256Char;
using zerva::test::FakeClipboard;
using zerva::test::FakeMessenger;

namespace {

// Table 2 in a temporary installation folder: 0xe1 to 0xe3, the pair 0xd3 0xe1 to 0xfa.
class ClipboardPress : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("TABLE2.INI")),
                                           "225=227\r\n211+225=250\r\n"));
    }
    ChangeOutcome press(Direction direction = Direction::ToMs, int table = 2) {
        return cmdChangeClick(dir.path(), table, direction, clipboard, messenger);
    }
    QString cp(std::initializer_list<int> bytes) {
        QString s;
        for (int b : bytes) {
            s += cp1256Char(static_cast<std::uint8_t>(b));
        }
        return s;
    }

    QTemporaryDir dir;
    FakeClipboard clipboard;
    FakeMessenger messenger;
};

} // namespace

TEST_F(ClipboardPress, ConvertsTextAndRtfTogetherAndAnnouncesIt) {
    clipboard.copyFromOtherProgram({cp({0xd3, 0xe1, 0x20, 0xe1}), QByteArray("{\\'d3\\'E1 \\'e1}")},
                                   true);
    EXPECT_EQ(press(), ChangeOutcome::Converted);
    EXPECT_EQ(clipboard.writes, 1);
    EXPECT_EQ(clipboard.data.text, cp({0xfa, 0x20, 0xe3}));
    EXPECT_EQ(clipboard.data.rtf, QByteArray("{\\'fa \\'e3}"));
    EXPECT_FALSE(clipboard.other); // emptied: only the two formats come back

    ASSERT_EQ(messenger.boxes().size(), 1u);
    const auto& notice = messenger.boxes()[0];
    EXPECT_EQ(notice.prompt, QString(10, QLatin1Char(' ')) +
                                 QStringLiteral("عمليات تبديل تمام شد.") +
                                 QString(10, QLatin1Char(' ')));
    EXPECT_EQ(notice.intervalTime, 3000);
    EXPECT_TRUE(notice.title.isEmpty());

    // The reverse direction takes the same table back.
    EXPECT_EQ(press(Direction::FromMs), ChangeOutcome::Converted);
    EXPECT_EQ(clipboard.data.text, cp({0xd3, 0xe1, 0x20, 0xe1}));
    EXPECT_EQ(clipboard.data.rtf, QByteArray("{\\'d3\\'e1 \\'e1}"));
}

TEST_F(ClipboardPress, CharactersWithoutCounterpartAreCountedAndTheNoticeStays) {
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("TABLE3.INI")),
                                       "225=193\r\n[Reverse Best Fits]\r\n129=200\r\n"
                                       "[No Counterpart]\r\n128=63\r\n"));
    clipboard.copyFromOtherProgram({cp({0x80, 0x81, 0xc1}), QByteArray("{\\'80\\'80}")});
    EXPECT_EQ(press(Direction::FromMs, 3), ChangeOutcome::Converted);
    EXPECT_EQ(clipboard.data.text, cp({0x3f, 0xc8, 0xe1}));
    EXPECT_EQ(clipboard.data.rtf, QByteArray("{\\'3f\\'3f}"));
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].prompt, zerva::common::completionNotice(0).prompt +
                                               QStringLiteral("\n3 نويسه قابل تبديل نبود."));
    EXPECT_EQ(messenger.boxes()[0].intervalTime, 0);

    // The same clipboard towards code page 1256: nothing counted, the notice closes itself.
    clipboard.copyFromOtherProgram({cp({0x80}), std::nullopt});
    EXPECT_EQ(press(Direction::ToMs, 3), ChangeOutcome::Converted);
    EXPECT_EQ(clipboard.data.text, cp({0x80}));
    EXPECT_EQ(messenger.boxes().back().prompt, zerva::common::completionNotice(0).prompt);
    EXPECT_EQ(messenger.boxes().back().intervalTime, zerva::common::kCompletionNoticeTime);
}

TEST_F(ClipboardPress, RtfAloneIsConvertedAlone) {
    clipboard.copyFromOtherProgram({std::nullopt, QByteArray("\\'e1")});
    EXPECT_EQ(press(), ChangeOutcome::Converted);
    EXPECT_EQ(clipboard.data, (ClipboardData{std::nullopt, QByteArray("\\'e3")}));
}

TEST_F(ClipboardPress, NeitherTextNorRtfChangesNothingButStillAnnounces) {
    clipboard.copyFromOtherProgram({}, true);
    EXPECT_EQ(press(), ChangeOutcome::NothingToConvert);
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_TRUE(clipboard.other);
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].intervalTime, 3000);
}

TEST_F(ClipboardPress, ClipboardFailuresLeaveItUntouchedAndAreNotCalledDone) {
    const ClipboardData before{cp({0xe1}), QByteArray("\\'e1")};
    clipboard.copyFromOtherProgram(before, true);

    clipboard.failWrite = true;
    EXPECT_EQ(press(), ChangeOutcome::ClipboardFailed);
    EXPECT_EQ(clipboard.data, before);
    EXPECT_TRUE(clipboard.other);

    clipboard.failWrite = false;
    clipboard.failRead = true;
    EXPECT_EQ(press(), ChangeOutcome::ClipboardFailed);
    EXPECT_EQ(clipboard.writes, 0);

    EXPECT_EQ(messenger.prompts(), QStringList(2, QStringLiteral("Clipboard را نميتوان گشود.")));
    EXPECT_TRUE(messenger.boxes()[0].title.isEmpty());
}

// 8-bit text that another program offered as UTF-8 reaches the converter as replacement
// characters: its bytes are gone, so the clipboard is left as it was.
TEST_F(ClipboardPress, DamagedTextLeavesTheClipboardAsItWas) {
    const ClipboardData before{QStringLiteral("\uFFFD\uFFFD A"), QByteArray("{\\'e1}")};
    clipboard.copyFromOtherProgram(before, true);
    EXPECT_EQ(press(), ChangeOutcome::ClipboardFailed);
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_EQ(clipboard.data, before);
    EXPECT_TRUE(clipboard.other);
    EXPECT_EQ(messenger.prompts(),
              QStringList{QStringLiteral("متن Clipboard را نميتوان خواند؛ Clipboard تغيير نكرد.")});
}

TEST_F(ClipboardPress, BrokenTableReportsAndNeverTouchesTheClipboard) {
    ASSERT_TRUE(
        zerva::test::writeFile(dir.filePath(QStringLiteral("TABLE5.INI")), "65=66\r\n65=67\r\n"));
    clipboard.copyFromOtherProgram({QStringLiteral("A"), std::nullopt});
    EXPECT_EQ(press(Direction::ToMs, 5), ChangeOutcome::TableFailed);
    EXPECT_EQ(press(Direction::ToMs, 9), ChangeOutcome::TableFailed);
    EXPECT_EQ(clipboard.reads, 0);
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_EQ(messenger.prompts(), QStringList({tableFailureMessage(5), tableFailureMessage(9)}));
}

TEST(ClipboardWatch, ButtonFollowsOtherProgramsButNotOwnWrites) {
    FakeClipboard clipboard;
    std::vector<bool> states;
    auto watch = std::make_unique<clsClipboard>(clipboard);

    clipboard.data = {QStringLiteral("x"), std::nullopt};
    clipboard.ownMark = true; // left by an earlier run: still convertible at start
    watch->InitClipboardChangeNotification([&](bool on) { states.push_back(on); });
    EXPECT_TRUE(watch->active());

    clipboard.copyFromOtherProgram({}, true);                         // a picture only
    clipboard.copyFromOtherProgram({std::nullopt, QByteArray("{}")}); // RTF only
    clipboard.write({QStringLiteral("y"), std::nullopt});             // the program's own write
    clipboard.copyFromOtherProgram({QStringLiteral("z"), std::nullopt});
    clipboard.failRead = true;
    watch->clipboardChanged(); // cannot be asked: the button stays as it is
    EXPECT_EQ(states, (std::vector<bool>{true, false, true, false, true}));

    // Starting again stops the first watch and starts once more; stopping twice is harmless.
    clipboard.failRead = false;
    const int before = clipboard.handlerChanges;
    watch->InitClipboardChangeNotification([&](bool on) { states.push_back(on); });
    EXPECT_EQ(clipboard.handlerChanges, before + 2);
    watch->StopClipboardChangeNotification();
    watch->StopClipboardChangeNotification();
    EXPECT_EQ(clipboard.handlerChanges, before + 3);
    EXPECT_FALSE(clipboard.watched());
    clipboard.copyFromOtherProgram({QStringLiteral("w"), std::nullopt});
    EXPECT_EQ(states.size(), 6u);

    // The end of the watch's life ends the notices too.
    watch->InitClipboardChangeNotification([&](bool on) { states.push_back(on); });
    watch.reset();
    EXPECT_FALSE(clipboard.watched());
}
