// The Word document path with the real engine: a legacy document and a Persian document of
// today made here with LibreOffice, converted by a run of the window and by zerva-convert, and
// read back as text.
#include "converter/batch_driver.h"
#include "converter/platform/libreoffice_word.h"
#include "tests/converter/fake_run_window.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/libreoffice.h"
#include "tests/support/test_paths.h"

#include "common/codepage.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::converter;

namespace {

TEST(WordDocumentsWithLibreOffice, LegacyDocumentIsConvertedAndReadsBackAsPersian) {
    zerva::test::Office office;
    ZERVA_SKIP_WITHOUT_OFFICE(office);
    QTemporaryDir dir;
    const auto path = [&dir](const char* p) { return dir.filePath(QString::fromUtf8(p)); };
    ASSERT_TRUE(zerva::test::writeFile(path("tables/ZERVACNV.INI"),
                                       "[Code pages]\r\ntables=1\r\ntable1=Test;1\r\n"));
    // seen -> sheen, alef -> alef with madda
    ASSERT_TRUE(zerva::test::writeFile(path("tables/TABLE1.INI"),
                                       "[Convert Table]\r\n211=212\r\n199=194\r\n"));
    // "salam abc" as legacy bytes in a font that says Western, as documents of that era were
    // written: shown as Latin letters.
    ASSERT_TRUE(zerva::test::writeFile(
        path("make/salam.rtf"),
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}}"
        "\\f0\\rtlpar \\'d3\\'e1\\'c7\\'e3 abc\\par}\r\n"));
    ASSERT_TRUE(QDir().mkpath(path("src")));
    ASSERT_TRUE(QDir().mkpath(path("dst")));
    ASSERT_TRUE(
        office.convert({path("make/salam.rtf")}, QStringLiteral("doc:MS Word 97"), path("src")));
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

    // The converted document, and the source as it was.
    const auto texts = office.texts({path("dst/salam.doc"), path("src/salam.doc")});
    ASSERT_TRUE(texts[0].has_value() && texts[1].has_value());
    EXPECT_EQ(texts[0]->trimmed(), zerva::common::fromCp1256("\xd4\xe1\xc2\xe3 abc"));
    EXPECT_EQ(texts[1]->trimmed(), QString::fromLatin1("\xd3\xe1\xc7\xe3 abc"));
}

TEST(WordDocumentsWithLibreOffice, ZervaConvertConvertsADocumentIntoANewFolder) {
    zerva::test::Office office;
    ZERVA_SKIP_WITHOUT_OFFICE(office);
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
    ASSERT_TRUE(
        office.convert({path("make/salam.rtf")}, QStringLiteral("doc:MS Word 97"), path("src")));

    QProcess tool;
    tool.start(zerva::test::binDir() + QStringLiteral("/zerva-convert"),
               {QStringLiteral("--tables"), path("tables"), QStringLiteral("--table"),
                QStringLiteral("1"), QStringLiteral("--out"), path("dst/new"),
                path("src/salam.doc")});
    ASSERT_TRUE(tool.waitForFinished(300000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(QDir(path("dst/new")).entryList(QDir::Files),
              QStringList{QStringLiteral("salam.doc")});

    const auto text = office.text(path("dst/new/salam.doc"));
    ASSERT_TRUE(text.has_value());
    // A Persian document of today holds no legacy bytes: its text is left as it is.
    EXPECT_EQ(text->trimmed(), zerva::common::fromCp1256("\xd3\xe1\xc7\xe3 abc"));
}

TEST(WordDocumentsWithLibreOffice, MissingProgramCannotBeCreated) {
    LibreOfficeWordService word(QStringLiteral("/nonexistent/soffice"));
    WordStartError error = WordStartError::None;
    EXPECT_EQ(word.create(error), nullptr);
    EXPECT_EQ(error, WordStartError::CannotCreate);
}

} // namespace
