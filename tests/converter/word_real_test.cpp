// The Word document path with the real engine: a Persian document made here with
// LibreOffice, converted by a run of the window and by zerva-convert, and read back as text.
#include "converter/batch_driver.h"
#include "converter/platform/libreoffice_word.h"
#include "tests/converter/fake_run_window.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/test_paths.h"

#include "common/codepage.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace zerva::converter;

namespace {

// soffice --convert-to from the test itself, with a profile of its own.
bool officeConvert(const QString& program, const QString& profile, const QString& filter,
                   const QString& input, const QString& outFolder) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program,
            {QStringLiteral("--headless"), QStringLiteral("--norestore"),
             QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
             QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), outFolder, input});
    return p.waitForFinished(180000) && p.exitCode() == 0;
}

TEST(WordDocumentsWithLibreOffice, PersianDocumentIsConvertedAndReadsBackAsConvertedText) {
    const QString program = LibreOfficeWordService::findProgram();
    if (program.isEmpty()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the real Word document path "
                        "is not tested";
    }
    QTemporaryDir dir;
    const auto path = [&dir](const char* p) { return dir.filePath(QString::fromUtf8(p)); };
    ASSERT_TRUE(zerva::test::writeFile(path("tables/ZERVACNV.INI"),
                                       "[Code pages]\r\ntables=1\r\ntable1=Test;1\r\n"));
    // seen -> sheen, alef -> alef with madda
    ASSERT_TRUE(zerva::test::writeFile(path("tables/TABLE1.INI"),
                                       "[Convert Table]\r\n211=212\r\n199=194\r\n"));
    // "salam abc" in code page 1256 escapes, in an Arabic font.
    ASSERT_TRUE(zerva::test::writeFile(
        path("make/salam.rtf"),
        "{\\rtf1\\ansi\\ansicpg1256\\deff0{\\fonttbl{\\f0\\fcharset178 Arial;}}"
        "\\f0\\rtlpar \\'d3\\'e1\\'c7\\'e3 abc\\par}\r\n"));
    ASSERT_TRUE(QDir().mkpath(path("src")));
    ASSERT_TRUE(QDir().mkpath(path("dst")));
    ASSERT_TRUE(officeConvert(program, path("profile"), QStringLiteral("doc:MS Word 97"),
                              path("make/salam.rtf"), path("src")));
    ASSERT_TRUE(QFile::exists(path("src/salam.doc")));

    RunSettings settings;
    settings.sourceFolder = path("src");
    settings.destinationFolder = path("dst");
    settings.tableFolder = path("tables");
    zerva::test::FakeRunWindow window({QStringLiteral("salam.doc")}, {true});
    zerva::test::FakeMessenger messenger;
    LibreOfficeWordService word;
    EXPECT_EQ(RunConversion(settings, window, word, messenger), RunOutcome::Finished);
    EXPECT_EQ(messenger.prompts().size(), 1)
        << messenger.prompts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(window.selection, std::vector<bool>{false});
    EXPECT_EQ(QDir(path("dst")).entryList(QDir::Files), QStringList{QStringLiteral("salam.doc")});

    ASSERT_TRUE(officeConvert(program, path("profile"), QStringLiteral("txt:Text (encoded):UTF8"),
                              path("dst/salam.doc"), path("text")));
    QString text = QString::fromUtf8(zerva::test::readFile(path("text/salam.txt")));
    text.remove(QChar(0xFEFF));
    EXPECT_EQ(text.trimmed(), zerva::common::fromCp1256("\xd4\xe1\xc2\xe3 abc"));
    // The source document is as it was.
    ASSERT_TRUE(officeConvert(program, path("profile"), QStringLiteral("txt:Text (encoded):UTF8"),
                              path("src/salam.doc"), path("text")));
    text = QString::fromUtf8(zerva::test::readFile(path("text/salam.txt")));
    text.remove(QChar(0xFEFF));
    EXPECT_EQ(text.trimmed(), zerva::common::fromCp1256("\xd3\xe1\xc7\xe3 abc"));
}

TEST(WordDocumentsWithLibreOffice, ZervaConvertConvertsADocumentIntoANewFolder) {
    const QString program = LibreOfficeWordService::findProgram();
    if (program.isEmpty()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: zerva-convert's Word path is "
                        "not tested";
    }
    QTemporaryDir dir;
    const auto path = [&dir](const char* p) { return dir.filePath(QString::fromUtf8(p)); };
    ASSERT_TRUE(zerva::test::writeFile(path("tables/ZERVACNV.INI"),
                                       "[Code pages]\r\ntables=1\r\ntable1=Test;1\r\n"));
    // alef -> alef with madda, meem -> noon
    ASSERT_TRUE(zerva::test::writeFile(path("tables/TABLE1.INI"),
                                       "[Convert Table]\r\n199=194\r\n227=228\r\n"));
    ASSERT_TRUE(zerva::test::writeFile(
        path("make/salam.rtf"),
        "{\\rtf1\\ansi\\ansicpg1256\\deff0{\\fonttbl{\\f0\\fcharset178 Arial;}}"
        "\\f0\\rtlpar \\'d3\\'e1\\'c7\\'e3 abc\\par}\r\n"));
    ASSERT_TRUE(officeConvert(program, path("profile"), QStringLiteral("doc:MS Word 97"),
                              path("make/salam.rtf"), path("src")));

    QProcess tool;
    tool.start(zerva::test::binDir() + QStringLiteral("/zerva-convert"),
               {QStringLiteral("--tables"), path("tables"), QStringLiteral("--table"),
                QStringLiteral("1"), QStringLiteral("--out"), path("dst/new"),
                path("src/salam.doc")});
    ASSERT_TRUE(tool.waitForFinished(300000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(QDir(path("dst/new")).entryList(QDir::Files),
              QStringList{QStringLiteral("salam.doc")});

    ASSERT_TRUE(officeConvert(program, path("profile"), QStringLiteral("txt:Text (encoded):UTF8"),
                              path("dst/new/salam.doc"), path("text")));
    QString text = QString::fromUtf8(zerva::test::readFile(path("text/salam.txt")));
    text.remove(QChar(0xFEFF));
    EXPECT_EQ(text.trimmed(), zerva::common::fromCp1256("\xd3\xe1\xc2\xe4 abc"));
}

TEST(WordDocumentsWithLibreOffice, MissingProgramCannotBeCreated) {
    LibreOfficeWordService word(QStringLiteral("/nonexistent/soffice"));
    WordStartError error = WordStartError::None;
    EXPECT_EQ(word.create(error), nullptr);
    EXPECT_EQ(error, WordStartError::CannotCreate);
}

} // namespace
