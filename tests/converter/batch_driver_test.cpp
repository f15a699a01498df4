// RunConversion with a fake window on real files: skipping, converting in place, the
// converter chosen by extension, the retry/next/stop question, unwritable destinations,
// failures that leave the originals, and Word documents with and without an engine.
#include "converter/batch_driver.h"
#include "converter/converter_messages.h"
#include "tests/converter/fake_run_window.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/full_disk.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

#include "common/messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

using namespace zerva::converter;
using zerva::test::FakeMessenger;
using zerva::test::FakeRunWindow;
using zerva::test::FakeWordService;
using zerva::test::readFile;
using zerva::test::writeFile;

namespace {

const QString kDone = QString(10, QLatin1Char(' ')) + QStringLiteral("عمليات تبديل تمام شد.") +
                      QString(10, QLatin1Char(' '));

// Runs a hook when a failure question comes, then answers from the script.
class HookedMessenger : public FakeMessenger {
public:
    using FakeMessenger::MsgBox;
    int MsgBox(const zerva::common::MsgBoxArgs& args) override {
        if (onBox) {
            onBox(args);
        }
        return FakeMessenger::MsgBox(args);
    }
    std::function<void(const zerva::common::MsgBoxArgs&)> onBox;
};

class RunConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(writeFile(path("tables/ZERVACNV.INI"),
                              "[Code pages]\r\ntables=1\r\ntable1=Test;1\r\n"));
        // A -> B, e1 -> c1, d3 (seen) -> d4 (sheen)
        ASSERT_TRUE(writeFile(path("tables/TABLE1.INI"),
                              "[Convert Table]\r\n65=66\r\n225=193\r\n211=212\r\n"));
        ASSERT_TRUE(QDir().mkpath(path("src")));
        ASSERT_TRUE(QDir().mkpath(path("dst")));
        settings.sourceFolder = path("src");
        settings.destinationFolder = path("dst");
        settings.tableFolder = path("tables");
    }
    QString path(const char* relative) const { return dir.filePath(QString::fromUtf8(relative)); }
    RunOutcome run(FakeRunWindow& window) {
        return RunConversion(settings, window, word, messenger);
    }
    QStringList entries(const char* folder) const {
        return QDir(path(folder))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    }

    QTemporaryDir dir;
    RunSettings settings;
    HookedMessenger messenger;
    FakeWordService word;
};

TEST_F(RunConversionTest, SkipsExistingFilesUnlessOverwriteAndLeavesThemSelected) {
    ASSERT_TRUE(writeFile(path("src/a.txt"), "AAA"));
    ASSERT_TRUE(writeFile(path("src/b.txt"), "AxA"));
    ASSERT_TRUE(writeFile(path("src/c.txt"), "A"));
    ASSERT_TRUE(writeFile(path("dst/b.txt"), "old"));
    FakeRunWindow window(
        {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")},
        {true, true, false});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(readFile(path("dst/a.txt")), QByteArray("BBB"));
    EXPECT_EQ(readFile(path("dst/b.txt")), QByteArray("old"));
    EXPECT_FALSE(QFile::exists(path("dst/c.txt"))); // not selected
    EXPECT_EQ(window.selection, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(window.busy, std::vector<int>{0});
    EXPECT_EQ(window.status, QStringLiteral("در حال تبديل فايل ") +
                                 QStringLiteral("\"\u2068a.txt\u2069\". (1/2)"));
    EXPECT_FALSE(window.busyColour);
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].prompt, kDone);
    EXPECT_EQ(messenger.boxes()[0].intervalTime, 3000);
    EXPECT_EQ(messenger.boxes()[0].button, zerva::common::kOkOnly);
    EXPECT_EQ(entries("dst"), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));

    settings.overwrite = true;
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(readFile(path("dst/b.txt")), QByteArray("BxB"));
    EXPECT_EQ(window.selection, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(window.status, QStringLiteral("در حال تبديل فايل ") +
                                 QStringLiteral("\"\u2068b.txt\u2069\". (1/1)"));
}

TEST_F(RunConversionTest, CharactersWithoutCounterpartAreCountedAndTheNoticeStays) {
    ASSERT_TRUE(writeFile(path("tables/TABLE1.INI"),
                          "[Convert Table]\r\n225=193\r\n[Reverse Best Fits]\r\n129=200\r\n"
                          "[No Counterpart]\r\n128=63\r\n"));
    settings.direction = Direction::FromMs;
    ASSERT_TRUE(writeFile(path("src/a.txt"), "\x80\x81\xc1\x80"));
    ASSERT_TRUE(writeFile(path("src/b.rtf"), "{\\'80\\'c1}"));
    FakeRunWindow window({QStringLiteral("a.txt"), QStringLiteral("b.rtf")}, {true, true});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(readFile(path("dst/a.txt")), QByteArray("?\xc8\xe1?"));
    EXPECT_EQ(readFile(path("dst/b.rtf")), QByteArray("{\\'3f\\'e1}"));
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].prompt, kDone + QStringLiteral("\n3 نويسه قابل تبديل نبود."));
    EXPECT_EQ(messenger.boxes()[0].intervalTime, 0);

    // Towards code page 1256 those sections count for nothing.
    settings.direction = Direction::ToMs;
    settings.overwrite = true;
    FakeRunWindow again({QStringLiteral("a.txt")}, {true});
    EXPECT_EQ(run(again), RunOutcome::Finished);
    EXPECT_EQ(readFile(path("dst/a.txt")), QByteArray("\x80\x81\xc1\x80"));
    ASSERT_EQ(messenger.boxes().size(), 2u);
    EXPECT_EQ(messenger.boxes()[1].prompt, kDone);
    EXPECT_EQ(messenger.boxes()[1].intervalTime, 3000);
}

TEST_F(RunConversionTest, InPlaceNeedsOverwriteEvenWhenTheFolderIsWrittenAnotherWay) {
    ASSERT_TRUE(writeFile(path("src/a.txt"), "AbA"));
    ASSERT_TRUE(writeFile(path("src/b.rtf"), "{\\rtf1 \\'e1}"));
    settings.destinationFolder = path("dst") + QStringLiteral("/../src/./");
    FakeRunWindow window({QStringLiteral("a.txt"), QStringLiteral("b.rtf")}, {true, true});
    EXPECT_EQ(run(window), RunOutcome::NeedsOverwrite);
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].prompt,
              QStringLiteral("براي تبديل پروندهها در محل خود بايد مورد بازنويسي را انتخاب") +
                  QStringLiteral("\n\r") + QStringLiteral("كنيد."));
    EXPECT_EQ(messenger.boxes()[0].title, zerva::common::noticeTitle());
    EXPECT_EQ(readFile(path("src/a.txt")), QByteArray("AbA"));

    messenger.clear();
    settings.overwrite = true;
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(readFile(path("src/a.txt")), QByteArray("BbB"));
    EXPECT_EQ(readFile(path("src/b.rtf")), QByteArray("{\\rtf1 \\ansicpg1256 \\'c1}"));
    EXPECT_EQ(entries("src"), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.rtf")}));
    EXPECT_EQ(messenger.prompts(), QStringList{kDone});
}

struct ChoiceCase {
    const char* name;
    const char* file;
    QByteArray in;
    QByteArray out; // empty: skipped
};

class ConverterChoice : public RunConversionTest,
                        public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ConverterChoice, GoesByTheLastThreeCharactersInAnyCase) {
    const ChoiceCase& c = GetParam();
    const QString name = QString::fromUtf8(c.file);
    ASSERT_TRUE(writeFile(path("src/") + name, c.in));
    FakeRunWindow window({name}, {true});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    const QString target = path("dst/") + name;
    if (c.out.isEmpty()) {
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_TRUE(window.selection[0]);
    } else {
        EXPECT_EQ(readFile(target), c.out);
        EXPECT_FALSE(window.selection[0]);
    }
    EXPECT_EQ(messenger.prompts(), QStringList{kDone});
}

const ChoiceCase kChoiceCases[] = {
    {"UpperCaseText", "upper.TXT", "A\\'e1", "B\\'e1"},
    {"MixedCaseRtf", "rich.Rtf", "A\\'e1", "A\\'c1"},
    {"LongerExtensionSkipped", "long.text", "A", ""},
    {"OtherExtensionSkipped", "notes.md", "A", ""},
    {"NoDotButEndsInTxt", "xtxt", "A", "B"},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConverterChoice, ::testing::ValuesIn(kChoiceCases),
                         zerva::test::RowName());

struct QuestionCase {
    const char* name;
    std::initializer_list<int> answers;
    int questions;
    RunOutcome outcome;
    bool okConverted;
};

class FailureQuestion : public RunConversionTest,
                        public ::testing::WithParamInterface<QuestionCase> {};

TEST_P(FailureQuestion, NextRetryAndStop) {
    const QuestionCase& c = GetParam();
    ASSERT_TRUE(writeFile(path("src/ok.txt"), "A"));
    ASSERT_TRUE(writeFile(path("src/w.doc"), "{\\rtf1 A}"));
    const QString failed = fileFailedMessage(QStringLiteral("missing.txt"));
    word.failure = WordStartError::None;
    messenger.answer(c.answers);
    FakeRunWindow window(
        {QStringLiteral("w.doc"), QStringLiteral("missing.txt"), QStringLiteral("ok.txt")},
        {true, true, true});
    EXPECT_EQ(run(window), c.outcome);
    QStringList expected;
    for (int k = 0; k < c.questions; ++k) {
        expected << failed;
    }
    if (c.outcome == RunOutcome::Finished) {
        expected << kDone;
    }
    EXPECT_EQ(messenger.prompts(), expected);
    const zerva::common::MsgBoxArgs& question = messenger.boxes()[0];
    EXPECT_EQ(question.button, zerva::common::kYesNoCancel);
    EXPECT_EQ(question.title, QString());
    EXPECT_EQ(question.yesCaption, QStringLiteral("بعدي"));
    EXPECT_EQ(question.noCaption, QStringLiteral("سعي مجدد"));
    EXPECT_EQ(question.cancelCaption, QStringLiteral("انصراف"));
    EXPECT_EQ(QFile::exists(path("dst/ok.txt")), c.okConverted);
    EXPECT_TRUE(window.selection[1]); // the failed file stays selected
    EXPECT_EQ(word.counts.quits, 1);  // the engine ends with the run, stopped or not
    EXPECT_FALSE(window.busyColour);
}

const QuestionCase kQuestionCases[] = {
    {"Next", {0}, 1, RunOutcome::Finished, true},
    {"RetryThenNext", {1, 1, 0}, 3, RunOutcome::Finished, true},
    {"Stop", {2}, 1, RunOutcome::Stopped, false},
    {"CloseBox", {}, 1, RunOutcome::Stopped, false},
};
INSTANTIATE_TEST_SUITE_P(Cases, FailureQuestion, ::testing::ValuesIn(kQuestionCases),
                         zerva::test::RowName());

TEST_F(RunConversionTest, RetryAfterTheCauseIsGoneConvertsTheFile) {
    messenger.answer({1});
    messenger.onBox = [this](const zerva::common::MsgBoxArgs&) {
        writeFile(path("src/missing.txt"), "AA");
    };
    FakeRunWindow window({QStringLiteral("missing.txt")}, {true});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(readFile(path("dst/missing.txt")), QByteArray("BB"));
    EXPECT_EQ(messenger.prompts(),
              (QStringList{fileFailedMessage(QStringLiteral("missing.txt")), kDone}));
}

TEST_F(RunConversionTest, DestinationThatCannotBeWritten) {
    ASSERT_TRUE(writeFile(path("src/a.txt"), "A"));
    FakeRunWindow window({QStringLiteral("a.txt")}, {true});

    settings.destinationFolder = path("no such folder");
    EXPECT_EQ(run(window), RunOutcome::DestinationNotWritable);
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].prompt, QStringLiteral("امكان نوشتن در مقصد موجود نميباشد."));
    EXPECT_EQ(messenger.boxes()[0].title, QString());
    EXPECT_FALSE(QFile::exists(path("no such folder")));

    // A folder in the destination with the file's name: the result cannot take its place.
    messenger.clear();
    messenger.answer({0});
    settings.destinationFolder = path("dst");
    settings.overwrite = true;
    ASSERT_TRUE(writeFile(path("dst/a.txt/keep"), "keep"));
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(messenger.prompts(),
              (QStringList{fileFailedMessage(QStringLiteral("a.txt")), kDone}));
    EXPECT_EQ(readFile(path("dst/a.txt/keep")), QByteArray("keep"));
    EXPECT_EQ(entries("dst"), QStringList{QStringLiteral("a.txt")}); // no work file left
    EXPECT_TRUE(window.selection[0]);
}

TEST_F(RunConversionTest, FailureInTheMiddleLeavesEveryOriginalAndTheUsersOwnFiles) {
    settings.destinationFolder = settings.sourceFolder;
    settings.overwrite = true;
    ASSERT_TRUE(writeFile(path("src/a.txt"), "A1"));
    ASSERT_TRUE(writeFile(path("src/c.txt"), "A3"));
    // b.txt is a link to nothing: it cannot be read.
    ASSERT_TRUE(QFile::link(path("src/nowhere"), path("src/b.txt")));
    // Files of the user's that bear the names of the work and probe files.
    ASSERT_TRUE(writeFile(path("src/CnvrtFile.cfp"), "mine"));
    ASSERT_TRUE(writeFile(path("src/Moveghat.FMA"), "mine too"));
    messenger.answer({0});
    FakeRunWindow window(
        {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")},
        {true, true, true});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(readFile(path("src/a.txt")), QByteArray("B1"));
    EXPECT_EQ(readFile(path("src/c.txt")), QByteArray("B3"));
    EXPECT_EQ(QFileInfo(path("src/b.txt")).symLinkTarget(), path("src/nowhere"));
    EXPECT_EQ(readFile(path("src/CnvrtFile.cfp")), QByteArray("mine"));
    EXPECT_EQ(readFile(path("src/Moveghat.FMA")), QByteArray("mine too"));
    EXPECT_EQ(entries("src"), (QStringList{QStringLiteral("CnvrtFile.cfp"),
                                           QStringLiteral("Moveghat.FMA"), QStringLiteral("a.txt"),
                                           QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
    EXPECT_EQ(window.selection, (std::vector<bool>{false, true, false}));
}

TEST_F(RunConversionTest, FullDiskInPlaceKeepsTheOriginalThatDidNotFit) {
    zerva::test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    settings.sourceFolder = settings.destinationFolder = disk.path();
    settings.overwrite = true;
    const QByteArray large(200 * 1024, 'A');
    ASSERT_TRUE(writeFile(disk.file(QStringLiteral("a.txt")), "A1"));
    ASSERT_TRUE(writeFile(disk.file(QStringLiteral("b.txt")), large));
    FakeRunWindow window({QStringLiteral("a.txt"), QStringLiteral("b.txt")}, {true, true});
    messenger.answer({0, 0}); // the write failure, then "next" at the question
    disk.arm(16 * 1024);
    const RunOutcome outcome = run(window);
    disk.disarm();
    EXPECT_EQ(outcome, RunOutcome::Finished);
    EXPECT_EQ(readFile(disk.file(QStringLiteral("a.txt"))), QByteArray("B1"));
    EXPECT_EQ(readFile(disk.file(QStringLiteral("b.txt"))), large);
    EXPECT_TRUE(messenger.prompts().contains(writeFailedMessage()));
    EXPECT_TRUE(messenger.prompts().contains(fileFailedMessage(QStringLiteral("b.txt"))));
    EXPECT_EQ(zerva::test::folderEntries(disk.path()),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
}

TEST_F(RunConversionTest, SpecialFilesAreRefusedWithTheirOwnMessage) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("src/p.txt")).constData(), 0600), 0);
    ASSERT_TRUE(writeFile(path("src/c.txt"), "A"));
    FakeRunWindow window({QStringLiteral("p.txt"), QStringLiteral("c.txt")}, {true, true});
    messenger.answer({0});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(messenger.prompts().front(), notRegularFileMessage(QStringLiteral("p.txt")));
    EXPECT_FALSE(QFile::exists(path("dst/p.txt")));
    EXPECT_EQ(readFile(path("dst/c.txt")), QByteArray("B"));
}

struct EngineCase {
    const char* name;
    WordStartError failure;
    bool told; // the install message comes before the closing notice
};

class WithoutAWordEngine : public RunConversionTest,
                           public ::testing::WithParamInterface<EngineCase> {};

TEST_P(WithoutAWordEngine, OneNoticeAtMostAndEveryDocumentSkipped) {
    const EngineCase& c = GetParam();
    ASSERT_TRUE(writeFile(path("src/x.doc"), "{\\rtf1 A}"));
    ASSERT_TRUE(writeFile(path("src/y.DOC"), "{\\rtf1 A}"));
    ASSERT_TRUE(writeFile(path("src/z.txt"), "A"));
    const QString install = QStringLiteral(
        "براي تبديل فايلها با فرمت Word Documents(.Doc) ابتدا نرمافزار Word را نصب نمائيد.");
    word.failure = c.failure;
    FakeRunWindow window(
        {QStringLiteral("x.doc"), QStringLiteral("y.DOC"), QStringLiteral("z.txt")},
        {true, true, true});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(messenger.prompts(), c.told ? (QStringList{install, kDone}) : QStringList{kDone});
    if (c.told) {
        EXPECT_EQ(messenger.boxes()[0].title, zerva::common::errorTitle());
    }
    EXPECT_EQ(word.creates, 1);
    EXPECT_EQ(window.selection, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(entries("dst"), QStringList{QStringLiteral("z.txt")});
}

const EngineCase kEngineCases[] = {
    {"NoEngine", WordStartError::CannotCreate, true},
    {"EngineDidNotStart", WordStartError::Failed, false},
};
INSTANTIATE_TEST_SUITE_P(Cases, WithoutAWordEngine, ::testing::ValuesIn(kEngineCases),
                         zerva::test::RowName());

TEST_F(RunConversionTest, WordDocumentsGoThroughRtfAndComeBackAsUnicode) {
    word.failure = WordStartError::None;
    // What the engine writes for a legacy byte shown in a Latin font (O acute, d3 in code
    // page 1252): \uN with a fallback; and plain escapes.
    ASSERT_TRUE(writeFile(path("src/d.doc"), "{\\rtf1\\ansi \\u211\\'3f\\'d3 A}"));
    ASSERT_TRUE(writeFile(path("dst/d.doc"), "old"));
    settings.overwrite = true;
    FakeRunWindow window({QStringLiteral("d.doc")}, {true});
    EXPECT_EQ(run(window), RunOutcome::Finished);
    // seen (d3) became sheen (d4, U+0634) both times; plain text is not escaped, so it stays.
    EXPECT_EQ(readFile(path("dst/d.doc")),
              QByteArray("{\\rtf1\\ansi \\ansicpg1256 \\u1588\\'d4\\'d4 A}"));
    EXPECT_EQ(entries("dst"), QStringList{QStringLiteral("d.doc")});
    EXPECT_EQ(word.counts.quits, 1);
    EXPECT_EQ(window.selection, std::vector<bool>{false});
}

// The Word documents of a run go to the engine together; one that cannot be saved back is
// asked about after the others, and a retry takes it alone.
TEST_F(RunConversionTest, WordDocumentsOfARunGoToTheEngineTogether) {
    word.failure = WordStartError::None;
    word.failWordOn = "unsaveable";
    ASSERT_TRUE(writeFile(path("src/a.doc"), "{\\rtf1 \\'d3}"));
    ASSERT_TRUE(writeFile(path("src/b.odt"), "{\\rtf1 unsaveable \\'d3}"));
    ASSERT_TRUE(writeFile(path("src/t.txt"), "A"));
    ASSERT_TRUE(writeFile(path("src/c.docx"), "{\\rtf1 \\'d3}"));
    ASSERT_TRUE(writeFile(path("dst/c.docx"), "old")); // skipped: Replace is off
    const QString failed =
        conversionFailedMessage(ConvertStatus::WriteFailed, QStringLiteral("b.odt"));
    FakeRunWindow window({QStringLiteral("b.odt"), QStringLiteral("a.doc"), QStringLiteral("t.txt"),
                          QStringLiteral("c.docx")},
                         {true, true, true, true});
    // When b.odt is asked about, a.doc is in place and done.
    bool aDoneWhenAsked = false;
    messenger.onBox = [&](const zerva::common::MsgBoxArgs&) {
        aDoneWhenAsked = QFile::exists(path("dst/a.doc")) && !window.selection[1];
    };
    messenger.answer({1, 0}); // retry, then next
    EXPECT_EQ(run(window), RunOutcome::Finished);
    EXPECT_EQ(messenger.prompts(), (QStringList{failed, failed, kDone}));
    EXPECT_TRUE(aDoneWhenAsked);
    EXPECT_EQ(word.counts.rtfJobs, (std::vector<std::size_t>{2, 1}));
    EXPECT_EQ(word.counts.wordJobs, (std::vector<std::size_t>{2, 1}));
    EXPECT_EQ(window.done, (std::vector<int>{2, 1}));
    // The status line names the first document while the engine works on all of them (to
    // RTF, and back), then each file in turn, then the retried one.
    EXPECT_EQ(window.busy, (std::vector<int>{0, 0, 1, 2, 0, 0}));
    EXPECT_EQ(window.selection, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(readFile(path("dst/a.doc")), QByteArray("{\\rtf1 \\ansicpg1256 \\'d4}"));
    EXPECT_EQ(readFile(path("dst/c.docx")), QByteArray("old"));
    EXPECT_EQ(entries("dst"), (QStringList{QStringLiteral("a.doc"), QStringLiteral("c.docx"),
                                           QStringLiteral("t.txt")}));
    EXPECT_EQ(word.counts.quits, 1);

    // Stopping at that question ends the run without the closing notice.
    messenger.clear();
    messenger.answer({2});
    EXPECT_EQ(run(window), RunOutcome::Stopped);
    EXPECT_EQ(messenger.prompts(), QStringList{failed});
    EXPECT_EQ(word.counts.rtfJobs, (std::vector<std::size_t>{2, 1, 1}));
    EXPECT_FALSE(QFile::exists(path("dst/b.odt")));
    EXPECT_EQ(word.counts.quits, 2);
}

} // namespace
