// zerva-convert: argument rules, the table list, file conversion and exit codes.
#include "converter/converter_messages.h"
#include "tests/converter/fake_run_window.h"
#include "tests/converter/test_tables.h"
#include "tests/support/full_disk.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"
#include "tools/zerva-convert/cli.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace zerva::converter;
using zerva::test::readFile;
using zerva::test::tableText;
using zerva::test::writeFile;

namespace {

const QString kCannotWrite = QStringLiteral("امكان نوشتن در مقصد موجود نميباشد.");
const QString kInstallWord = QStringLiteral(
    "براي تبديل فايلها با فرمت Word Documents(.Doc) ابتدا نرمافزار Word را نصب نمائيد.");

QString arg(const char* text) {
    return QString::fromLatin1(text);
}
QString arg(const QString& text) {
    return text;
}

// A command line from a mix of literals and paths.
template <typename... Args> QStringList A(const Args&... args) {
    return {arg(args)...};
}

struct ParseCase {
    const char* name;
    QStringList args;
    bool ok;
    cli::Mode mode;
};

class ZervaConvertArguments : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ZervaConvertArguments, Parsing) {
    const ParseCase& c = GetParam();
    const auto parsed = cli::parseArguments(c.args);
    ASSERT_EQ(std::holds_alternative<cli::Options>(parsed), c.ok);
    if (c.ok) {
        EXPECT_EQ(std::get<cli::Options>(parsed).mode, c.mode);
    }
}

const ParseCase kParseCases[] = {
    {"Files", A("--table", "2", "--rtl", "--out", "o", "a.txt"), true, cli::Mode::Files},
    {"List", A("--tables", "t", "--list"), true, cli::Mode::List},
    {"ClipboardText", A("--table", "1", "--clipboard-text", "i", "o"), true,
     cli::Mode::ClipboardText},
    {"ClipboardRtf", A("--table", "1", "--from-ms", "--clipboard-rtf", "i", "o"), true,
     cli::Mode::ClipboardRtf},
    {"Help", A("--help"), true, cli::Mode::Help},
    {"NoTable", A("--out", "o", "a.txt"), false, {}},
    {"TableZero", A("--table", "0", "--out", "o", "a.txt"), false, {}},
    {"NoOut", A("--table", "1", "a.txt"), false, {}},
    {"NoFiles", A("--table", "1", "--out", "o"), false, {}},
    {"BothDirections", A("--table", "1", "--rtl", "--ltr", "--out", "o", "a"), false, {}},
    {"UnknownOption", A("--table", "1", "--fast", "--out", "o", "a"), false, {}},
    {"ClipboardOnePath", A("--table", "1", "--clipboard-rtf", "i"), false, {}},
    {"ClipboardWithOut", A("--table", "1", "--clipboard-text", "--out", "o", "i", "o"), false, {}},
    {"ListWithFiles", A("--list", "a.txt"), false, {}},
    {"LogicalUtf8", A("--table", "1", "--logical", "--utf8", "--out", "o", "a.txt"), true,
     cli::Mode::Files},
    {"LogicalAndRtl", A("--table", "1", "--logical", "--rtl", "--out", "o", "a"), false, {}},
    {"Utf8FromMs", A("--table", "1", "--from-ms", "--utf8", "--out", "o", "a"), false, {}},
    {"Utf8WithAWalk", A("--table", "1", "--ltr", "--utf8", "--out", "o", "a"), true,
     cli::Mode::Files},
    {"Utf8Clipboard", A("--table", "1", "--utf8", "--clipboard-text", "i", "o"), false, {}},
};
INSTANTIATE_TEST_SUITE_P(Cases, ZervaConvertArguments, ::testing::ValuesIn(kParseCases),
                         zerva::test::RowName());

class ZervaConvertTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_tables = m_dir.filePath(QStringLiteral("tables"));
        m_in = m_dir.filePath(QStringLiteral("in"));
        m_out = m_dir.filePath(QStringLiteral("out"));
        ASSERT_TRUE(writeFile(m_tables + QStringLiteral("/ZERVACNV.INI"),
                              "[Code pages]\r\ntables=4\r\ntable1=Test;1\r\n"
                              "table2=One way\r\ntable3=Broken;1\r\ntable4=Repeat;1\r\n"));
        ASSERT_TRUE(
            writeFile(m_tables + QStringLiteral("/TABLE1.INI"), tableText({"97=98", "200=193"})));
        ASSERT_TRUE(writeFile(m_tables + QStringLiteral("/TABLE2.INI"), tableText({})));
        ASSERT_TRUE(writeFile(m_tables + QStringLiteral("/TABLE3.INI"), tableText({"1=x"})));
        // Loads for the file converter (the later line wins) but not for the clipboard's
        // loader, which refuses a byte given two outputs.
        ASSERT_TRUE(
            writeFile(m_tables + QStringLiteral("/TABLE4.INI"), tableText({"97=98", "97=99"})));
        ASSERT_TRUE(QDir().mkpath(m_out));
    }
    int run(QStringList args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(zerva::test::binDir() + QStringLiteral("/zerva-convert"),
                QStringList{QStringLiteral("--tables"), m_tables} + args);
        EXPECT_TRUE(p.waitForFinished(30000));
        m_stdout = QString::fromUtf8(p.readAllStandardOutput());
        m_stderr = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString in(const char* name) const { return m_in + u'/' + QString::fromLatin1(name); }
    QString out(const char* name) const { return m_out + u'/' + QString::fromLatin1(name); }

    QTemporaryDir m_dir;
    QString m_tables, m_in, m_out, m_stdout, m_stderr;
};

TEST_F(ZervaConvertTool, ListsTables) {
    EXPECT_EQ(run(A(QStringLiteral("--list"))), 0);
    EXPECT_EQ(m_stdout, QStringLiteral("1\ttwo-way\tTest\n2\tone-way\tOne way\n"
                                       "3\ttwo-way\tBroken\n4\ttwo-way\tRepeat\n"));
}

TEST_F(ZervaConvertTool, ConvertsFilesByExtension) {
    ASSERT_TRUE(writeFile(in("a.txt"), "a\xc8 b\n"));
    ASSERT_TRUE(writeFile(in("b.RTF"), "{a\\'c8}"));
    EXPECT_EQ(run(A("--table", "1", "--rtl", "--out", m_out, in("a.txt"), in("b.RTF"))), 0)
        << m_stderr.toStdString();
    EXPECT_EQ(readFile(out("a.txt")), QByteArray(" b\xc1") + "b\n"); // reordered, a became b
    EXPECT_EQ(readFile(out("b.RTF")), "{a\\'c1}");                   // only escapes are converted
    EXPECT_EQ(run(A("--table", "1", "--from-ms", "--out", m_in, in("a.txt"))), 0);
    EXPECT_EQ(readFile(in("a.txt")), "a\xc8 a\n"); // converted in place
}

// --logical puts a line shown right to left into reading order; --utf8 writes UTF-8 and
// leaves RTF files as code page 1256 escapes.
TEST_F(ZervaConvertTool, LogicalOrderAndUtf8) {
    // Shown: "(" Persian letters ")" then "12" from the right: stored "12 )" ... "(".
    ASSERT_TRUE(writeFile(in("a.txt"), "12 (\xc7\xc8) x\r\n"));
    ASSERT_TRUE(writeFile(in("b.rtf"), "{\\'c8}"));
    EXPECT_EQ(
        run(A("--table", "2", "--logical", "--utf8", "--out", m_out, in("a.txt"), in("b.rtf"))), 0)
        << m_stderr.toStdString();
    EXPECT_EQ(QString::fromUtf8(readFile(out("a.txt"))),
              QString::fromUtf8("x (\u0628\u0627) 12\r\n"));
    EXPECT_EQ(readFile(out("b.rtf")), "{\\u1576\\'c8}");
    EXPECT_EQ(run(A("--table", "2", "--logical", "--out", m_out, in("a.txt"))), 0);
    EXPECT_EQ(readFile(out("a.txt")), "x (\xc8\xc7) 12\r\n");
}

// --rtl and --ltr with --utf8 write the table's Unicode texts (Persian yeh and digits here)
// in the walks' order.
TEST_F(ZervaConvertTool, WalksWithUtf8WriteUnicodeTexts) {
    ASSERT_TRUE(writeFile(m_tables + QStringLiteral("/TABLE2.INI"),
                          tableText({"253=237", "128=48", "129=49", "[Unicode]", "253=U+06CC",
                                     "128=U+06F0", "129=U+06F1"})));
    ASSERT_TRUE(writeFile(in("a.txt"), "a \xc8\xfd \x80\x81\r\n"));
    EXPECT_EQ(run(A("--table", "2", "--ltr", "--utf8", "--out", m_out, in("a.txt"))), 0)
        << m_stderr.toStdString();
    EXPECT_EQ(QString::fromUtf8(readFile(out("a.txt"))),
              QString::fromUtf8("a \u06CC\u0628 \u06F0\u06F1\r\n"));
    EXPECT_EQ(run(A("--table", "2", "--rtl", "--utf8", "--out", m_out, in("a.txt"))), 0);
    EXPECT_EQ(QString::fromUtf8(readFile(out("a.txt"))),
              QString::fromUtf8(" \u06F0\u06F1\u06CC\u0628a \r\n"));
    EXPECT_EQ(run(A("--table", "2", "--rtl", "--out", m_out, in("a.txt"))), 0);
    EXPECT_EQ(readFile(out("a.txt")), " 01\xed\xc8"
                                      "a \r\n");
}

TEST_F(ZervaConvertTool, Failures) {
    ASSERT_TRUE(writeFile(in("a.txt"), "a"));
    ASSERT_TRUE(writeFile(in("c.md"), "a"));
    EXPECT_EQ(run(A("--table", "3", "--out", m_out, in("a.txt"))), 1);
    EXPECT_EQ(m_stderr.trimmed(), tableFileErrorMessage(3));
    EXPECT_EQ(run(A("--table", "2", "--from-ms", "--out", m_out, in("a.txt"))), 2);
    EXPECT_EQ(run(A("--table", "5", "--out", m_out, in("a.txt"))), 2);
    EXPECT_EQ(run(A("--table", "1", "--out", m_out, in("none.txt"), in("a.txt"))), 1);
    EXPECT_EQ(m_stderr.trimmed(), fileFailedMessage(QStringLiteral("none.txt")));
    EXPECT_EQ(readFile(out("a.txt")), "b"); // the other files are still converted
    EXPECT_EQ(run(A("--table", "1", "--out", m_out, in("c.md"))), 1);
    EXPECT_TRUE(m_stderr.contains(QStringLiteral("not a .txt, .rtf, .doc, .docx or .odt file")));
    EXPECT_EQ(run(A("--out", m_out, in("a.txt"))), 2);
    EXPECT_TRUE(m_stderr.contains(QStringLiteral("usage:")));
    QTemporaryDir empty;
    EXPECT_EQ(run(A("--tables", empty.path(), "--list")), 1);
    EXPECT_EQ(m_stderr.trimmed(), noTablesMessage());
}

TEST_F(ZervaConvertTool, OutFolderIsCreatedWithItsParentsOrRefused) {
    ASSERT_TRUE(writeFile(in("a.txt"), "a"));
    const QString deep = m_dir.filePath(QStringLiteral("new/deeper/out"));
    EXPECT_EQ(run(A("--table", "1", "--out", deep, in("a.txt"))), 0) << m_stderr.toStdString();
    EXPECT_EQ(readFile(deep + QStringLiteral("/a.txt")), "b");
    // No folder can be made below a file.
    const QString underFile = in("a.txt") + QStringLiteral("/out");
    EXPECT_EQ(run(A("--table", "1", "--out", underFile, in("a.txt"))), 1);
    EXPECT_EQ(m_stderr.trimmed(), kCannotWrite);
    EXPECT_EQ(readFile(in("a.txt")), "a");
}

// Word documents through a fake engine whose documents are RTF files: all of them go to it in
// one call each way, and one it cannot save back fails alone.
TEST_F(ZervaConvertTool, WordDocumentsGoThroughOneEngineStartedForTheRun) {
    // Byte c8 (shown as E grave in a Latin font) becomes hamza (c1, U+0621); plain RTF text
    // is left alone.
    ASSERT_TRUE(writeFile(in("d.doc"), "{\\rtf1 \\u200\\'3f a}"));
    ASSERT_TRUE(writeFile(in("e.DOC"), "{\\rtf1 \\'c8}"));
    ASSERT_TRUE(writeFile(in("f.txt"), "a"));
    ASSERT_TRUE(writeFile(in("g.odt"), "{\\rtf1 unsaveable \\'c8}"));
    ASSERT_TRUE(writeFile(in("h.docx"), "{\\rtf1 \\'c8}"));
    const auto parsed =
        cli::parseArguments(A("--tables", m_tables, "--table", "1", "--out", m_out, in("d.doc"),
                              in("e.DOC"), in("f.txt"), in("g.odt"), in("h.docx"), in("d.doc")));
    ASSERT_TRUE(std::holds_alternative<cli::Options>(parsed));
    zerva::test::FakeWordService word;
    word.failure = WordStartError::None;
    word.failWordOn = "unsaveable";
    EXPECT_EQ(cli::run(std::get<cli::Options>(parsed), word), cli::kExitFailed);
    EXPECT_EQ(word.creates, 1);
    EXPECT_EQ(word.counts.quits, 1);
    EXPECT_EQ(word.counts.rtfJobs, std::vector<std::size_t>{4}); // d.doc named twice, done once
    EXPECT_EQ(word.counts.wordJobs, std::vector<std::size_t>{4});
    EXPECT_EQ(readFile(out("d.doc")), "{\\rtf1 \\ansicpg1256 \\u1569\\'c1 a}");
    EXPECT_EQ(readFile(out("e.DOC")), "{\\rtf1 \\ansicpg1256 \\'c1}");
    EXPECT_EQ(readFile(out("h.docx")), "{\\rtf1 \\ansicpg1256 \\'c1}");
    EXPECT_EQ(readFile(out("f.txt")), "b");
    EXPECT_FALSE(QFile::exists(out("g.odt")));
}

TEST_F(ZervaConvertTool, WithoutLibreOfficeWordDocumentsAreRefusedAndTheRestConverted) {
    ASSERT_TRUE(writeFile(in("d.doc"), "{\\rtf1 a}"));
    ASSERT_TRUE(writeFile(in("e.doc"), "{\\rtf1 a}"));
    ASSERT_TRUE(writeFile(in("f.txt"), "a"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), m_dir.filePath(QStringLiteral("no-programs-here")));
    EXPECT_EQ(run(A("--table", "1", "--out", m_out, in("d.doc"), in("f.txt"), in("e.doc")), env),
              1);
    EXPECT_EQ(m_stderr.trimmed(), kInstallWord); // once for the run
    EXPECT_FALSE(QFile::exists(out("d.doc")));
    EXPECT_FALSE(QFile::exists(out("e.doc")));
    EXPECT_EQ(readFile(out("f.txt")), "b");
}

TEST_F(ZervaConvertTool, ClipboardModesUseTheClipboardRules) {
    // Outside any section: the clipboard's loader reads every line, the file converter's
    // only those of [Convert Table].
    ASSERT_TRUE(writeFile(m_tables + QStringLiteral("/TABLE1.INI"),
                          "65+66=200\r\n" + tableText({"97=98", "200=193"})));
    ASSERT_TRUE(writeFile(in("t.txt"), "AB a\xc8 BA"));
    ASSERT_TRUE(writeFile(in("r.rtf"), "{\\'41\\'42 a\\'C8\\\\'c8\\'zz{\\leveltext\\'c8}\\'c8}"));
    EXPECT_EQ(run(A("--table", "1", "--clipboard-text", in("t.txt"), out("t.txt"))), 0)
        << m_stderr.toStdString();
    EXPECT_EQ(readFile(out("t.txt")), "\xc8 b\xc1 BA");
    EXPECT_EQ(run(A("--table", "1", "--clipboard-rtf", in("r.rtf"), out("r.rtf"))), 0);
    EXPECT_EQ(readFile(out("r.rtf")), "{\\'c8 a\\'c1\\\\'c8\\'zz{\\leveltext\\'c8}\\'c1}");
    EXPECT_EQ(run(A("--table", "1", "--from-ms", "--clipboard-text", out("t.txt"), out("u.txt"))),
              0);
    EXPECT_EQ(readFile(out("u.txt")), "AB a\xc8 BA");

    // The file converter loads table 4 (the later line wins); the clipboard's loader
    // refuses it and the output is not touched.
    ASSERT_TRUE(writeFile(out("keep.txt"), "old"));
    EXPECT_EQ(run(A("--table", "4", "--out", m_out, in("t.txt"))), 0);
    EXPECT_EQ(readFile(out("t.txt")), "AB c\xc8 BA");
    EXPECT_EQ(run(A("--table", "4", "--clipboard-text", in("t.txt"), out("keep.txt"))), 1);
    EXPECT_EQ(m_stderr.trimmed(), tableFileErrorMessage(4));
    EXPECT_EQ(readFile(out("keep.txt")), "old");

    // A file that cannot be read or written fails; a one-way table cannot be used from
    // code page 1256, and a table must be listed.
    EXPECT_EQ(run(A("--table", "1", "--clipboard-text", in("none.txt"), out("keep.txt"))), 1);
    EXPECT_EQ(m_stderr.trimmed(), fileFailedMessage(QStringLiteral("none.txt")));
    EXPECT_EQ(readFile(out("keep.txt")), "old");
    EXPECT_EQ(run(A("--table", "1", "--clipboard-rtf", in("r.rtf"), out("no/such/dir/r.rtf"))), 1);
    EXPECT_EQ(m_stderr.trimmed(), writeFailedMessage());
    EXPECT_EQ(run(A("--table", "2", "--from-ms", "--clipboard-text", in("t.txt"), out("x"))), 2);
    EXPECT_EQ(run(A("--table", "5", "--clipboard-text", in("t.txt"), out("x"))), 2);
    EXPECT_EQ(run(A("--table", "1", "--clipboard-text", in("t.txt"))), 2);
    EXPECT_FALSE(QFile::exists(out("x")));
}

TEST_F(ZervaConvertTool, RefusesSpecialSourcesConvertsARepeatedNameOnceDropsSetIdBits) {
    const QString fifo = m_in + QStringLiteral("/pipe.txt");
    ASSERT_TRUE(QDir().mkpath(m_in));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(run(A("--table", "1", "--out", m_out, fifo)), 1);
    EXPECT_EQ(run(A("--table", "1", "--clipboard-text", fifo, out("c.txt"))), 1);
    EXPECT_EQ(m_stderr.trimmed(), notRegularFileMessage(QStringLiteral("pipe.txt")));
    EXPECT_EQ(run(A("--table", "1", "--out", m_out, m_in)), 1);
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_FALSE(QFile::exists(out("pipe.txt")));

    // In place, named twice and once more through another spelling of its path: one pass.
    // The new file keeps the permissions but not the set-user-ID and set-group-ID bits.
    ASSERT_TRUE(writeFile(in("a.txt"), "aa"));
    ASSERT_EQ(::chmod(QFile::encodeName(in("a.txt")).constData(), 06754), 0);
    EXPECT_EQ(run(A("--table", "1", "--out", m_in, in("a.txt"), in("a.txt"),
                    m_in + QStringLiteral("/../in/a.txt"))),
              0);
    EXPECT_EQ(readFile(in("a.txt")), "bb");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(in("a.txt")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0754u);
}

TEST_F(ZervaConvertTool, FullDiskKeepsEveryOldFileAndFails) {
    zerva::test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    ASSERT_TRUE(writeFile(in("a.txt"), QByteArray(20000, 'a')));
    ASSERT_TRUE(writeFile(in("b.rtf"), "{\\rtf1 a\\'c8}"));
    for (const char* name : {"a.txt", "b.rtf", "c.txt"}) {
        ASSERT_TRUE(writeFile(disk.file(QLatin1String(name)), "OLD"));
    }
    disk.arm();
    const int files = run(A("--table", "1", "--out", disk.path(), in("a.txt"), in("b.rtf")));
    const QString filesErr = m_stderr;
    const int rtl = run(A("--table", "1", "--rtl", "--out", disk.path(), in("a.txt")));
    const int clip =
        run(A("--table", "1", "--clipboard-text", in("a.txt"), disk.file(QStringLiteral("c.txt"))));
    disk.disarm();
    EXPECT_EQ(files, 1);
    EXPECT_TRUE(filesErr.contains(writeFailedMessage()));
    EXPECT_EQ(rtl, 1);
    EXPECT_EQ(clip, 1);
    for (const char* name : {"a.txt", "b.rtf", "c.txt"}) {
        EXPECT_EQ(readFile(disk.file(QLatin1String(name))), "OLD") << name;
    }
    EXPECT_EQ(
        zerva::test::folderEntries(disk.path()),
        (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.rtf"), QStringLiteral("c.txt")}));
}

TEST_F(ZervaConvertTool, KilledMidwayLeavesTheOldFileOrTheWholeNewOne) {
    // 'a' becomes 'b' with table 1: the file is all a's or all b's, never a mix or a stub.
    const QByteArray old(32 * 1024 * 1024, 'a');
    const QByteArray converted(old.size(), 'b');
    ASSERT_TRUE(writeFile(in("big.txt"), old));
    for (const int delayMs : {5, 20, 60}) {
        SCOPED_TRACE(delayMs);
        QProcess p;
        p.start(zerva::test::binDir() + QStringLiteral("/zerva-convert"),
                A("--tables", m_tables, "--table", "1", "--rtl", "--out", m_in, in("big.txt")));
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(delayMs);
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished();
        const QByteArray now = readFile(in("big.txt"));
        EXPECT_TRUE(now == old || now == converted);
        EXPECT_EQ(QDir(m_in).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("big.txt")});
        ASSERT_TRUE(writeFile(in("big.txt"), old));
    }
}

} // namespace
