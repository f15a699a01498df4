// The one way to convert a file: the converter chosen by the end of the name,
// the reordering of text files, refusals of other files, and Word documents through one
// engine per run.
#include "converter/convert_file.h"
#include "converter/rtf_convert.h"
#include "tests/converter/fake_run_window.h"
#include "tests/converter/test_tables.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::converter;
using zerva::test::FakeMessenger;
using zerva::test::FakeWordService;
using zerva::test::makeTable;
using zerva::test::readFile;
using zerva::test::writeFile;

namespace {

struct KindCase {
    const char* name;
    const char* file;
    FileKind kind;
};

class FileKindOf : public ::testing::TestWithParam<KindCase> {};

TEST_P(FileKindOf, GoesByTheEndOfTheNameInAnyCase) {
    EXPECT_EQ(fileKindOf(QString::fromUtf8(GetParam().file)), GetParam().kind);
}

// The batch driver's tests run names of each kind through whole runs; these are the edges.
const KindCase kKindCases[] = {
    {"UpperCaseWord", "c.DOC", FileKind::Word},
    {"UpperCaseTextInAFolder", "/some/dir/A.TXT", FileKind::Text},
    {"NewerWordExtension", "d.docx", FileKind::Word},
    {"OpenDocumentText", "/x/e.ODT", FileKind::Word},
    {"LongTextExtension", "notes.TEXT", FileKind::Other},
    {"DotAfterTheLetters", "txt.", FileKind::Other},
    {"EmptyName", "", FileKind::Other},
};
INSTANTIATE_TEST_SUITE_P(Cases, FileKindOf, ::testing::ValuesIn(kKindCases),
                         zerva::test::RowName());

class ConvertFile : public ::testing::Test {
protected:
    QString path(const char* relative) const { return dir.filePath(QString::fromUtf8(relative)); }

    QTemporaryDir dir;
    // A -> B, alef with madda (c2) -> alef (c7), seen (d3) -> sheen (d4)
    ConversionTable table = makeTable({"65=66", "194=199", "211=212"});
    FakeMessenger messenger;
    FakeWordService word;
};

using Converter = ConvertStatus (*)(const QString&, const QString&, const ConversionTable&,
                                    zerva::common::Messenger&, const ConvertOptions&);

struct ChoiceCase {
    const char* name;
    const char* file;
    Reorder reorder;
    Converter expected;
};

class ConvertFileChoice : public ConvertFile, public ::testing::WithParamInterface<ChoiceCase> {};

// One text in a file of each kind: the result is that of the row's own converter, and (but
// for the plain text converter) not that of the plain one.
TEST_P(ConvertFileChoice, EachKindAndReorderingTakesItsOwnConverter) {
    const ChoiceCase& c = GetParam();
    const QByteArray text = "A\xd3\xc2 x\\'d3\n";
    const QString source = path("in/") + QString::fromUtf8(c.file);
    ASSERT_TRUE(writeFile(source, text));
    FileConverter files(table, c.reorder, word, messenger);
    int starts = 0;
    const FileConversion result = files.convert(source, path("out"), [&starts] { ++starts; });
    EXPECT_EQ(result.outcome, FileConversion::Converted);
    EXPECT_EQ(starts, 1);
    ASSERT_EQ(c.expected(source, path("model"), table, messenger, {}), ConvertStatus::Success);
    EXPECT_EQ(readFile(path("out")), readFile(path("model")));
    if (c.expected != &ConvertTextFile) {
        ASSERT_EQ(ConvertTextFile(source, path("plain"), table, messenger, {}),
                  ConvertStatus::Success);
        EXPECT_NE(readFile(path("out")), readFile(path("plain")));
    }
    EXPECT_EQ(word.creates, 0);
    EXPECT_TRUE(messenger.prompts().isEmpty());
}

const ChoiceCase kChoiceCases[] = {
    {"PlainText", "plain.txt", Reorder::None, &ConvertTextFile},
    {"RightToLeftText", "rtl.TXT", Reorder::RightToLeft, &ConvertTextFileRtl},
    {"LeftToRightText", "ltr.txt", Reorder::LeftToRight, &ConvertTextFileLtr},
    {"RtfIsNotReordered", "rich.rtf", Reorder::RightToLeft, &ConvertRtfFile},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertFileChoice, ::testing::ValuesIn(kChoiceCases),
                         zerva::test::RowName());

TEST_F(ConvertFile, OtherFilesAreRefusedUntouchedAndFailuresCarryTheirStatus) {
    ASSERT_TRUE(writeFile(path("notes.md"), "A"));
    ASSERT_TRUE(writeFile(path("out.md"), "old"));
    FileConverter files(table, Reorder::None, word, messenger);
    bool started = false;
    const auto start = [&started] { started = true; };
    EXPECT_EQ(files.convert(path("notes.md"), path("out.md"), start).outcome,
              FileConversion::NotConvertible);
    EXPECT_FALSE(started);
    EXPECT_EQ(readFile(path("out.md")), "old");

    const FileConversion missing = files.convert(path("none.txt"), path("none-out.txt"), start);
    EXPECT_EQ(missing.outcome, FileConversion::Failed);
    EXPECT_EQ(missing.status, ConvertStatus::SourceUnreadable);
    EXPECT_FALSE(QFile::exists(path("none-out.txt")));

    ASSERT_TRUE(QDir().mkpath(path("folder.txt")));
    const FileConversion notRegular = files.convert(path("folder.txt"), path("y.txt"));
    EXPECT_EQ(notRegular.outcome, FileConversion::Failed);
    EXPECT_EQ(notRegular.status, ConvertStatus::SourceNotRegular);
}

TEST_F(ConvertFile, WordDocumentsShareOneEngineThatQuitsWithTheConverter) {
    word.failure = WordStartError::None;
    // What the engine writes for a legacy byte shown in a Latin font: \uN of the Latin
    // letter (O acute, d3 in code page 1252) with a fallback; and plain escapes.
    ASSERT_TRUE(writeFile(path("a.doc"), "{\\rtf1\\ansi \\u211\\'3f\\'d3 A}"));
    ASSERT_TRUE(writeFile(path("b.DOC"), "{\\rtf1 \\'c2}"));
    ASSERT_TRUE(writeFile(path("b-out.doc"), "old"));
    {
        FileConverter files(table, Reorder::RightToLeft, word, messenger);
        int starts = 0;
        EXPECT_EQ(files.convert(path("a.doc"), path("a-out.doc"), [&] { ++starts; }).outcome,
                  FileConversion::Converted);
        EXPECT_EQ(files.convert(path("b.DOC"), path("b-out.doc"), [&] { ++starts; }).outcome,
                  FileConversion::Converted);
        EXPECT_EQ(starts, 2);
        EXPECT_EQ(word.creates, 1);
        EXPECT_EQ(word.counts.quits, 0);
    }
    EXPECT_EQ(word.counts.quits, 1);
    // seen became sheen (U+0634) both times, \uN staying \uN; the plain text of RTF is left
    // alone.
    EXPECT_EQ(readFile(path("a-out.doc")), "{\\rtf1\\ansi \\ansicpg1256 \\u1588\\'d4\\'d4 A}");
    EXPECT_EQ(readFile(path("b-out.doc")), "{\\rtf1 \\ansicpg1256 \\'c7}");
    EXPECT_TRUE(messenger.prompts().isEmpty());
}

TEST_F(ConvertFile, ABatchSavesItsWordDocumentsTogetherAndPutsThemInPlaceAtItsEnd) {
    word.failure = WordStartError::None;
    word.failRtfOn = "unreadable";
    word.failWordOn = "unsaveable";
    ASSERT_TRUE(writeFile(path("a.doc"), "{\\rtf1 \\u211\\'3f}"));
    ASSERT_TRUE(writeFile(path("b.DOCX"), "{\\rtf1 \\'c2}"));
    ASSERT_TRUE(writeFile(path("c.odt"), "{\\rtf1 unsaveable \\'d3}"));
    ASSERT_TRUE(writeFile(path("d.odt"), "{\\rtf1 unreadable}"));
    ASSERT_TRUE(writeFile(path("t.txt"), "A"));
    for (const char* name : {"out/a.doc", "out/b.DOCX", "out/c.odt", "out/d.odt"}) {
        ASSERT_TRUE(writeFile(path(name), "old"));
    }
    const QStringList names{QStringLiteral("a.doc"), QStringLiteral("b.DOCX"),
                            QStringLiteral("c.odt"), QStringLiteral("d.odt"),
                            QStringLiteral("t.txt")};
    const auto in = [&](const QString& name) { return dir.filePath(name); };
    const auto out = [&](const QString& name) {
        return dir.filePath(QStringLiteral("out/") + name);
    };
    FileConverter files(table, Reorder::None, word, messenger);
    QStringList sources;
    for (const QString& name : names) {
        sources << in(name);
    }
    files.beginBatch(sources);
    EXPECT_EQ(word.counts.rtfJobs, std::vector<std::size_t>{4}); // the text file is not handed over

    std::vector<FileConversion::Outcome> outcomes;
    for (const QString& name : names) {
        outcomes.push_back(files.convert(in(name), out(name)).outcome);
        EXPECT_EQ(readFile(out(QStringLiteral("a.doc"))), "old") << "put in place too early";
    }
    // d.odt had no RTF from the batch: it was tried alone, and failed again.
    EXPECT_EQ(outcomes,
              (std::vector<FileConversion::Outcome>{
                  FileConversion::Pending, FileConversion::Pending, FileConversion::Pending,
                  FileConversion::Failed, FileConversion::Converted}));
    EXPECT_EQ(word.counts.rtfJobs, (std::vector<std::size_t>{4, 1}));
    EXPECT_EQ(word.counts.wordCalls, 0);

    const std::vector<FileConverter::Finished> finished = files.finishBatch();
    EXPECT_EQ(word.counts.wordJobs, std::vector<std::size_t>{3});
    // Each goes back to its own format.
    ASSERT_EQ(word.counts.wordOutputs.size(), 3);
    EXPECT_TRUE(word.counts.wordOutputs[0].endsWith(QLatin1String(".doc")));
    EXPECT_TRUE(word.counts.wordOutputs[1].endsWith(QLatin1String(".docx")));
    EXPECT_TRUE(word.counts.wordOutputs[2].endsWith(QLatin1String(".odt")));
    ASSERT_EQ(finished.size(), 3u);
    EXPECT_EQ(finished[0].source, in(QStringLiteral("a.doc")));
    EXPECT_EQ(finished[0].result.outcome, FileConversion::Converted);
    EXPECT_EQ(finished[1].result.outcome, FileConversion::Converted);
    EXPECT_EQ(finished[2].destination, out(QStringLiteral("c.odt")));
    EXPECT_EQ(finished[2].result.outcome, FileConversion::Failed);
    EXPECT_EQ(finished[2].result.status, ConvertStatus::WriteFailed);
    EXPECT_EQ(readFile(out(QStringLiteral("a.doc"))), "{\\rtf1 \\ansicpg1256 \\u1588\\'d4}");
    EXPECT_EQ(readFile(out(QStringLiteral("b.DOCX"))), "{\\rtf1 \\ansicpg1256 \\'c7}");
    EXPECT_EQ(readFile(out(QStringLiteral("c.odt"))), "old");
    EXPECT_EQ(readFile(out(QStringLiteral("d.odt"))), "old");
    EXPECT_EQ(readFile(out(QStringLiteral("t.txt"))), "B");

    // After the batch, a document is converted alone, start to end.
    EXPECT_EQ(files.convert(in(QStringLiteral("a.doc")), out(QStringLiteral("a2.doc"))).outcome,
              FileConversion::Converted);
    EXPECT_EQ(word.counts.rtfJobs, (std::vector<std::size_t>{4, 1, 1}));
    EXPECT_EQ(word.counts.wordJobs, (std::vector<std::size_t>{3, 1}));
    EXPECT_TRUE(files.finishBatch().empty());
    EXPECT_EQ(word.creates, 1);
    EXPECT_TRUE(messenger.prompts().isEmpty());
}

// An engine that opens documents but cannot save them as Word documents.
class FailingSaveDocuments : public WordDocuments {
public:
    std::vector<bool> saveAsRtf(const std::vector<WordJob>& jobs) override {
        std::vector<bool> done;
        for (const WordJob& job : jobs) {
            done.push_back(QFile::copy(job.input, job.output));
        }
        return done;
    }
    std::vector<bool> saveAsWord(const std::vector<WordJob>& jobs) override {
        return std::vector<bool>(jobs.size(), false);
    }
    void Quit() override {}
};

class FailingSaveService : public WordService {
public:
    std::unique_ptr<WordDocuments> create(WordStartError& error) override {
        error = WordStartError::None;
        return std::make_unique<FailingSaveDocuments>();
    }
};

TEST_F(ConvertFile, AWordStepThatFailsLeavesTheDestinationAsItWas) {
    ASSERT_TRUE(writeFile(path("a.doc"), "{\\rtf1 \\'d3}"));
    ASSERT_TRUE(writeFile(path("a-out.doc"), "old"));
    FailingSaveService failing;
    FileConverter files(table, Reorder::None, failing, messenger);
    const FileConversion result = files.convert(path("a.doc"), path("a-out.doc"));
    EXPECT_EQ(result.outcome, FileConversion::Failed);
    EXPECT_EQ(result.status, ConvertStatus::WriteFailed);
    EXPECT_EQ(readFile(path("a-out.doc")), "old");
    EXPECT_TRUE(files.wordUsable()); // the engine runs; the next document is tried
}

} // namespace
