// Word documents of the legacy kind, made here with LibreOffice: Persian text stored as the
// bytes of a legacy encoding in a font that says it is Western, saved as .doc, .docx and
// .odt. They are converted in place with the real engine and read back with LibreOffice.
#include "common/codepage.h"
#include "converter/batch_driver.h"
#include "converter/convert_file.h"
#include "converter/platform/libreoffice_word.h"
#include "converter/rtf_convert.h"
#include "tests/converter/fake_run_window.h"
#include "tests/converter/real_text.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/libreoffice.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace zerva::converter;
using zerva::test::readFile;
using zerva::test::writeFile;

namespace {

const char* const kTableName = "ISIRI 3342";
const char* const kFormats[][2] = {
    {"doc", "doc:MS Word 97"},
    {"docx", "docx:MS Word 2007 XML"},
    {"odt", "odt:writer8"},
};

int tableNumber(const QString& name) {
    zerva::test::FakeMessenger messenger;
    const QList<TableListEntry> list =
        LoadTableList(zerva::test::dataDir(), messenger).value_or(QList<TableListEntry>());
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].name == name) {
            return static_cast<int>(i + 1);
        }
    }
    return 0;
}

// RTF as a program of the legacy era wrote it: a Western code page, a font of charset 0, and
// the legacy bytes as escapes.
QByteArray legacyRtf(const QList<QByteArray>& lines) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New "
                     "Roman;}}\\f0\\fs24\n";
    for (const QByteArray& line : lines) {
        for (const char ch : line) {
            const auto b = static_cast<unsigned char>(ch);
            if (b >= 128) {
                rtf += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
            } else {
                if (ch == '\\' || ch == '{' || ch == '}') {
                    rtf += '\\';
                }
                rtf += ch;
            }
        }
        rtf += "\\par\n";
    }
    return rtf + "}";
}

// The documents, made once for the test program: legacy.doc, legacy.docx and legacy.odt,
// and the paragraphs they hold once converted, as code page 1256 reads them.
struct LegacyDocuments {
    QTemporaryDir dir;
    QStringList expected;
    QStringList expectedUnicode; // the same as the encoding's Unicode text
    QStringList today;           // Persian paragraphs as a program of today holds them
    QString problem;             // why they could not be made
    QString legacyRtf() const { return dir.filePath(QStringLiteral("make/legacy.rtf")); }
    // The paragraphs of today written as RTF by LibreOffice.
    QString todayRtf() const { return dir.filePath(QStringLiteral("today/today.rtf")); }
    QString document(const char* format) const {
        return dir.filePath(QStringLiteral("docs/legacy.") + QString::fromLatin1(format));
    }
};

const LegacyDocuments& legacyDocuments(zerva::test::Office& office) {
    static const std::unique_ptr<LegacyDocuments> made = [&office] {
        auto docs = std::make_unique<LegacyDocuments>();
        const QStringList words = zerva::test::dictionaryWords(53);
        if (words.isEmpty()) {
            docs->problem = QStringLiteral("the Persian dictionary (myspell-fa) is not installed");
            return docs;
        }
        // About two pages: forty paragraphs of nine words each.
        QList<QByteArray> lines;
        for (qsizetype start = 0; start + 9 < words.size() && lines.size() < 40; start += 9) {
            const QString line = words.mid(start, 9).join(u' ');
            const auto legacy = zerva::test::iconv(line.toUtf8(), "UTF-8", "ISIRI-3342");
            const QString expected =
                zerva::test::bestFit1256(line.normalized(QString::NormalizationForm_KC));
            if (!legacy || !zerva::test::iconv(expected.toUtf8(), "UTF-8", "CP1256")) {
                continue; // a word the encodings cannot both hold
            }
            const auto unicode = zerva::test::iconv(*legacy, "ISIRI-3342", "UTF-8");
            if (!unicode) {
                continue;
            }
            lines << *legacy;
            docs->expected << expected;
            docs->expectedUnicode << QString::fromUtf8(*unicode);
            docs->today << line;
        }
        // Characters a table may convert (« and » have bytes in code page 1252, as their
        // font says), and characters no table can.
        docs->today << QString::fromUtf8("«%s» ۱۲۳٫۵ \u200c漢字 😀 ∑ x");
        const QString rtf = docs->dir.filePath(QStringLiteral("make/legacy.rtf"));
        if (lines.size() < 40 || !writeFile(rtf, legacyRtf(lines))) {
            docs->problem = QStringLiteral("the legacy text could not be made");
            return docs;
        }
        // Today's paragraphs as RTF of LibreOffice: written as \uN, made a document, and
        // saved as RTF again by LibreOffice.
        QByteArray today = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\f0\n";
        for (const QString& line : docs->today) {
            for (const QChar ch : line) {
                const char16_t unit = ch.unicode();
                today += unit < 128 ? QByteArray(1, static_cast<char>(unit))
                                    : "\\u" + QByteArray::number(static_cast<qint16>(unit)) + '?';
            }
            today += "\\par\n";
        }
        const QString todayMade = docs->dir.filePath(QStringLiteral("make/today.rtf"));
        const QString todayOdt = docs->dir.filePath(QStringLiteral("make/odt/today.odt"));
        if (!writeFile(todayMade, today + "}") ||
            !office.convert({todayMade}, QStringLiteral("odt:writer8"),
                            docs->dir.filePath(QStringLiteral("make/odt"))) ||
            !office.convert({todayOdt}, QStringLiteral("rtf"),
                            docs->dir.filePath(QStringLiteral("today"))) ||
            !QFile::exists(docs->todayRtf())) {
            docs->problem = QStringLiteral("LibreOffice did not save today's text as RTF");
        }
        for (const auto& format : kFormats) {
            if (!office.convert({rtf}, QString::fromLatin1(format[1]),
                                docs->dir.filePath(QStringLiteral("docs"))) ||
                !QFile::exists(docs->document(format[0]))) {
                docs->problem = QStringLiteral("LibreOffice did not save the document as ") +
                                QString::fromLatin1(format[0]);
            }
        }
        return docs;
    }();
    return *made;
}

class LegacyLatinFontDocuments : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_office = new zerva::test::Office();
        if (s_office->available()) {
            legacyDocuments(*s_office);
        }
    }
    static void TearDownTestSuite() {
        delete s_office;
        s_office = nullptr;
    }
    void SetUp() override {
        ZERVA_SKIP_WITHOUT_OFFICE(*s_office);
        const LegacyDocuments& docs = legacyDocuments(*s_office);
        ASSERT_TRUE(docs.problem.isEmpty()) << docs.problem.toStdString();
        table = tableNumber(QString::fromLatin1(kTableName));
        ASSERT_NE(table, 0);
    }
    // Copies of the documents in a folder of the test, count of each format.
    QStringList copies(const QString& folder, int count) const {
        QStringList names;
        for (int k = 1; k <= count; ++k) {
            for (const auto& format : kFormats) {
                const QString name =
                    QStringLiteral("legacy%1.").arg(k) + QString::fromLatin1(format[0]);
                QDir().mkpath(folder);
                QFile::copy(legacyDocuments(*s_office).document(format[0]), folder + u'/' + name);
                names << name;
            }
        }
        return names;
    }

    static zerva::test::Office* s_office;
    int table = 0;
    QTemporaryDir dir;
    zerva::test::FakeMessenger messenger;
};

zerva::test::Office* LegacyLatinFontDocuments::s_office = nullptr;

// Legacy RTF whose header and font say Western: converted, it declares code page 1256 and
// reads back as Persian; with UTF-8 output as the encoding's own Unicode text (Persian yeh,
// keheh and digits kept).
TEST_F(LegacyLatinFontDocuments, LegacyRtfWithAWesternHeaderReadsBackAsPersian) {
    const LegacyDocuments& docs = legacyDocuments(*s_office);
    auto loaded = LoadConversionTable(zerva::test::dataDir(), table, Direction::ToMs, messenger);
    ASSERT_TRUE(loaded.has_value());
    const QString out1256 = dir.filePath(QStringLiteral("legacy-1256.rtf"));
    const QString outUtf8 = dir.filePath(QStringLiteral("legacy-utf8.rtf"));
    ConvertOptions utf8;
    utf8.output = TextOutput::Utf8;
    ASSERT_EQ(ConvertRtfFile(docs.legacyRtf(), out1256, *loaded, messenger),
              ConvertStatus::Success);
    ASSERT_EQ(ConvertRtfFile(docs.legacyRtf(), outUtf8, *loaded, messenger, utf8),
              ConvertStatus::Success);
    const auto texts = s_office->texts({out1256, outUtf8});
    ASSERT_TRUE(texts[0].has_value() && texts[1].has_value());
    EXPECT_EQ(zerva::test::rightParagraphs(docs.expected, *texts[0]), docs.expected.size())
        << zerva::test::paragraphsOf(*texts[0]).value(0).toStdString();
    EXPECT_EQ(zerva::test::rightParagraphs(docs.expectedUnicode, *texts[1]),
              docs.expectedUnicode.size())
        << zerva::test::paragraphsOf(*texts[1]).value(0).toStdString();
}

// RTF that LibreOffice wrote from Persian text of today, converted with every bundled table:
// the characters whose font gives them a byte (« and ») are converted as that byte, every
// other character (Persian letters, digits, CJK, emoji) and every fallback is left as it was,
// so no paragraph loses or swallows a character.
TEST_F(LegacyLatinFontDocuments, PersianRtfOfTodayLosesNothingWithEveryTable) {
    const LegacyDocuments& docs = legacyDocuments(*s_office);
    const QList<TableListEntry> list =
        LoadTableList(zerva::test::dataDir(), messenger).value_or(QList<TableListEntry>());
    ASSERT_FALSE(list.isEmpty());
    QStringList outputs;
    QList<QStringList> expected;
    for (int n = 1; n <= list.size(); ++n) {
        auto loaded = LoadConversionTable(zerva::test::dataDir(), n, Direction::ToMs, messenger);
        ASSERT_TRUE(loaded.has_value());
        outputs << dir.filePath(QStringLiteral("today-%1.rtf").arg(n));
        ASSERT_EQ(ConvertRtfFile(docs.todayRtf(), outputs.last(), *loaded, messenger),
                  ConvertStatus::Success);
        // Each character of code page 1252 above ASCII as its byte through the table.
        QStringList paragraphs;
        for (const QString& line : docs.today) {
            QString paragraph;
            for (const QChar ch : line) {
                const auto byte = zerva::common::CodePage::byNumber(1252)->byteOf(ch.unicode());
                if (ch.unicode() < 128 || ch.isSurrogate() || !byte) {
                    paragraph += ch;
                    continue;
                }
                QByteArray converted;
                ASSERT_EQ(
                    ConvertTextBytes(QByteArray(1, static_cast<char>(*byte)), converted, *loaded),
                    ConvertStatus::Success);
                paragraph += zerva::common::fromCp1256(converted);
            }
            paragraphs << paragraph;
        }
        expected << paragraphs;
    }
    const auto texts = s_office->texts(outputs);
    for (qsizetype n = 0; n < outputs.size(); ++n) {
        SCOPED_TRACE("table " + std::to_string(n + 1));
        ASSERT_TRUE(texts[static_cast<std::size_t>(n)].has_value());
        const QString& text = *texts[static_cast<std::size_t>(n)];
        EXPECT_EQ(zerva::test::rightParagraphs(expected[n], text), expected[n].size())
            << zerva::test::paragraphsOf(text).value(expected[n].size() - 1).toStdString()
            << " for " << expected[n].last().toStdString();
    }
}

// Converted in place, each document reads back as the Persian text its bytes held.
TEST_F(LegacyLatinFontDocuments, LegacyLatinFontConvertedInPlaceReadsBackAsPersian) {
    const QString folder = dir.filePath(QStringLiteral("in-place"));
    const QStringList names = copies(folder, 1);
    auto loaded = LoadConversionTable(zerva::test::dataDir(), table, Direction::ToMs, messenger);
    ASSERT_TRUE(loaded.has_value());
    LibreOfficeWordService word;
    QStringList paths;
    for (const QString& name : names) {
        paths << folder + u'/' + name;
    }
    {
        FileConverter files(*loaded, Reorder::None, word, messenger);
        files.beginBatch(paths);
        for (const QString& path : paths) {
            EXPECT_EQ(files.convert(path, path).outcome, FileConversion::Pending)
                << path.toStdString();
        }
        for (const FileConverter::Finished& done : files.finishBatch()) {
            EXPECT_EQ(done.result.outcome, FileConversion::Converted) << done.source.toStdString();
        }
    }
    const auto texts = s_office->texts(paths);
    const QStringList& expected = legacyDocuments(*s_office).expected;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        ASSERT_TRUE(texts[static_cast<std::size_t>(i)].has_value());
        const QString& text = *texts[static_cast<std::size_t>(i)];
        const int right = zerva::test::rightParagraphs(expected, text);
        RecordProperty(QFileInfo(names[i]).suffix().toStdString(), right);
        EXPECT_EQ(right, expected.size())
            << right << " of " << expected.size() << " paragraphs right; the first reads "
            << zerva::test::paragraphsOf(text).value(0).toStdString() << " for "
            << expected[0].toStdString();
    }
}

// A run of the window over documents of all three formats starts LibreOffice once to save
// them as RTF and once per format to save them back, and converts each in place.
TEST_F(LegacyLatinFontDocuments, ABatchStartsLibreOfficeOnceEachWay) {
    const QString folder = dir.filePath(QStringLiteral("src"));
    const QStringList names = copies(folder, 2);
    const QString calls = dir.filePath(QStringLiteral("calls"));
    const QString wrapper = dir.filePath(QStringLiteral("soffice"));
    ASSERT_TRUE(writeFile(wrapper, "#!/bin/sh\necho \"$*\" >> '" + calls.toUtf8() + "'\nexec '" +
                                       s_office->program().toUtf8() + "' \"$@\"\n"));
    ASSERT_TRUE(QFile::setPermissions(wrapper, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));

    RunSettings settings;
    settings.sourceFolder = folder;
    settings.destinationFolder = folder;
    settings.overwrite = true;
    settings.tableFolder = zerva::test::dataDir();
    settings.tableNumber = table;
    zerva::test::FakeRunWindow window(names, std::vector<bool>(names.size(), true));
    LibreOfficeWordService word(wrapper);
    EXPECT_EQ(RunConversion(settings, window, word, messenger), RunOutcome::Finished);
    EXPECT_EQ(messenger.prompts().size(), 1) // the closing notice alone
        << messenger.prompts().join(u'\n').toStdString();
    EXPECT_EQ(window.selection, std::vector<bool>(names.size(), false));

    const QList<QByteArray> lines = readFile(calls).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << readFile(calls).toStdString();
    EXPECT_TRUE(lines[0].contains("--convert-to rtf "));
    EXPECT_EQ(lines[0].count(".doc") + lines[0].count(".odt"), 6); // all six at once
    for (int k = 1; k < 4; ++k) {
        EXPECT_EQ(lines[k].count(".rtf"), 2) << lines[k].toStdString(); // two of each format
    }
    // Each document was replaced by its converted form, still in its own format.
    for (const QString& name : names) {
        const QByteArray converted = readFile(folder + u'/' + name);
        const QString original =
            legacyDocuments(*s_office).document(QFileInfo(name).suffix().toLatin1().constData());
        EXPECT_NE(converted, readFile(original)) << name.toStdString();
        EXPECT_EQ(converted.left(4), readFile(original).left(4)) << name.toStdString();
    }
}

} // namespace
