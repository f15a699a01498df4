// The bundled tables of the build tree's data folder: both loaders read every table, and real
// Persian text put into the legacy encodings by iconv converts as iconv converts it.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"
#include "clipboard/table_list.h"
#include "converter/conversion_table.h"
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"
#include "tests/converter/real_text.h"
#include "tests/converter/test_tables.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

#include "common/codepage.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace zerva::converter;
using zerva::test::asRtf;
using zerva::test::bestFit1256;
using zerva::test::convertBytes;
using zerva::test::dataDir;
using zerva::test::dictionaryWords;
using zerva::test::iconv;
using zerva::test::readFile;
using zerva::test::writeFile;
namespace clip = zerva::clipboard;

namespace {

QList<TableListEntry> bundledList() {
    zerva::test::FakeMessenger messenger;
    return LoadTableList(dataDir(), messenger).value_or(QList<TableListEntry>());
}

// The number of the bundled table of that name, or 0.
int tableNumber(const QString& name) {
    const QList<TableListEntry> list = bundledList();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].name == name) {
            return static_cast<int>(i + 1);
        }
    }
    return 0;
}

ConversionTable bundledTable(int n, Direction direction) {
    zerva::test::FakeMessenger messenger;
    auto table = LoadConversionTable(dataDir(), n, direction, messenger);
    EXPECT_TRUE(table.has_value()) << "table " << n;
    return table.value_or(ConversionTable());
}

// Where two byte strings first differ, for a readable failure.
std::string difference(const QByteArray& actual, const QByteArray& expected) {
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) {
        ++i;
    }
    const auto around = [i](const QByteArray& b) {
        return b.mid(std::max<qsizetype>(0, i - 12), 24).toHex(' ').toStdString();
    };
    return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
           ", first difference at " + std::to_string(i) + ": " + around(actual) + " instead of " +
           around(expected);
}

// Runs zerva-convert on the bundled tables.
class ToolRun {
public:
    ToolRun()
        : m_in(m_dir.filePath(QStringLiteral("in"))), m_out(m_dir.filePath(QStringLiteral("out"))) {
        QDir().mkpath(m_in);
        QDir().mkpath(m_out);
    }
    // Converts input (a file of that name) with the arguments and returns the output; a
    // failed run fails the test. "--out" and "--clipboard-..." runs are told apart by mode.
    QByteArray convert(const QString& name, const QByteArray& input, QStringList args) {
        const QString in = m_in + u'/' + name;
        const QString out = m_out + u'/' + name;
        QFile::remove(out);
        EXPECT_TRUE(writeFile(in, input));
        if (args.contains(QStringLiteral("--clipboard-text")) ||
            args.contains(QStringLiteral("--clipboard-rtf"))) {
            args << in << out;
        } else {
            args << QStringLiteral("--out") << m_out << in;
        }
        QProcess p;
        p.start(zerva::test::binDir() + QStringLiteral("/zerva-convert"),
                QStringList{QStringLiteral("--tables"), dataDir()} + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0)
            << args.join(u' ').toStdString() << ": " << p.readAllStandardError().toStdString();
        return readFile(out);
    }

private:
    QTemporaryDir m_dir;
    QString m_in, m_out;
};

QStringList A(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args) {
        list << QString::fromLatin1(a);
    }
    return list;
}

// Puts logical Persian text into the contextual letter forms an encoding has: each letter
// (and lam followed by alef, where there is a ligature) in the form its neighbours call for,
// or the nearest form the encoding holds.
class Shaper {
public:
    enum Form { Isolated, Initial, Medial, Final };

    // A character the encoding holds: a letter, one of its forms or a ligature.
    void add(char32_t c) {
        const QString text = QString::fromUcs4(&c, 1);
        const QString base = text.normalized(QString::NormalizationForm_KC);
        if (base.isEmpty() || base[0].unicode() < 128) {
            return;
        }
        Form form = Isolated;
        switch (QChar::decompositionTag(c)) {
        case QChar::Initial:
            form = Initial;
            break;
        case QChar::Medial:
            form = Medial;
            break;
        case QChar::Final:
            form = Final;
            break;
        default:
            break;
        }
        m_forms.emplace(std::make_pair(base, form), text);
    }

    // The text in the encoding's letter forms (logical order); nothing when a letter has no
    // form at all. ASCII stays as it is.
    std::optional<QString> shape(const QString& line) const {
        const auto joinsForward = [](QChar ch) {
            return ch.joiningType() == QChar::Joining_Dual ||
                   ch.joiningType() == QChar::Joining_Causing;
        };
        const auto joinsBack = [&](QChar ch) {
            return joinsForward(ch) || ch.joiningType() == QChar::Joining_Right;
        };
        QString out;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i].unicode() < 128) {
                out += line[i];
                continue;
            }
            qsizetype length = 1;
            if (line.mid(i, 2) == QStringLiteral("\u0644\u0627") &&
                (m_forms.count({line.mid(i, 2), Isolated}) ||
                 m_forms.count({line.mid(i, 2), Final}))) {
                length = 2;
            }
            const bool afterJoin = i > 0 && joinsForward(line[i - 1]) && joinsBack(line[i]);
            const bool beforeJoin = i + length < line.size() &&
                                    joinsForward(line[i + length - 1]) &&
                                    joinsBack(line[i + length]);
            const Form form =
                afterJoin ? (beforeJoin ? Medial : Final) : (beforeJoin ? Initial : Isolated);
            const auto glyph = find(line.mid(i, length), form);
            if (!glyph) {
                return std::nullopt;
            }
            out += *glyph;
            i += length - 1;
        }
        return out;
    }

private:
    std::optional<QString> find(const QString& letter, Form form) const {
        static const std::map<Form, std::vector<Form>> kFallbacks{
            {Isolated, {Isolated, Final, Initial, Medial}},
            {Initial, {Initial, Medial, Isolated, Final}},
            {Medial, {Medial, Initial, Final, Isolated}},
            {Final, {Final, Isolated, Medial, Initial}},
        };
        for (Form f : kFallbacks.at(form)) {
            if (const auto it = m_forms.find({letter, f}); it != m_forms.end()) {
                return it->second;
            }
        }
        return std::nullopt;
    }

    std::map<std::pair<QString, Form>, QString> m_forms;
};

// Code page 1256 for what a legacy character stands for: its compatibility form (the letter
// of a contextual form) with the best fits, put into the code page by iconv.
std::optional<QByteArray> iconvToCp1256(const QString& text) {
    return iconv(bestFit1256(text.normalized(QString::NormalizationForm_KC)).toUtf8(), "UTF-8",
                 "CP1256");
}

TEST(RealTables, EveryListedTableLoadsWithBothLoaders) {
    const QList<TableListEntry> list = bundledList();
    ASSERT_GE(list.size(), 8);
    // Every byte, and every byte followed by every byte, so single entries and pairs count.
    QByteArray allBytes;
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) {
            allBytes += static_cast<char>(x);
            allBytes += static_cast<char>(y);
        }
    }
    std::vector<int> twoWay;
    for (int n = 1; n <= list.size(); ++n) {
        const TableListEntry& entry = list[n - 1];
        SCOPED_TRACE(entry.name.toStdString());
        EXPECT_FALSE(entry.name.isEmpty());
        std::vector<std::pair<Direction, clip::Direction>> directions{
            {Direction::ToMs, clip::Direction::ToMs}};
        if (entry.twoWay) {
            directions.push_back({Direction::FromMs, clip::Direction::FromMs});
            twoWay.push_back(n);
        }
        for (const auto& [direction, clipDirection] : directions) {
            const ConversionTable table = bundledTable(n, direction);
            clip::TableProblem problem;
            const auto clipTable = clip::readClipboardTable(dataDir(), n, clipDirection, &problem);
            ASSERT_TRUE(clipTable.has_value())
                << "line " << problem.line << ": " << problem.reason.toStdString();
            // The loaders differ in their rules, but on the bundled tables they must agree.
            const QByteArray fileResult = convertBytes(ConvertTextFile, table, allBytes);
            const QByteArray clipResult = clip::convertTextBytes(*clipTable, allBytes);
            EXPECT_TRUE(fileResult == clipResult) << difference(clipResult, fileResult);
        }
        if (entry.twoWay) {
            // Every string of the bytes the table keeps comes back unchanged; two bytes
            // suffice, as no entry reads further ahead.
            const ConversionTable to = bundledTable(n, Direction::ToMs);
            QByteArray kept;
            for (int x = 0; x < allBytes.size(); x += 2) {
                const auto a = static_cast<std::uint8_t>(allBytes[x]);
                const auto b = static_cast<std::uint8_t>(allBytes[x + 1]);
                if (to.byte(a).kind != 0 && to.byte(b).kind != 0) {
                    kept += allBytes.mid(x, 2);
                }
            }
            const QByteArray there = convertBytes(ConvertTextFile, to, kept);
            const QByteArray back =
                convertBytes(ConvertTextFile, bundledTable(n, Direction::FromMs), there);
            EXPECT_TRUE(back == kept) << difference(back, kept);
        }
    }
    // The clipboard program offers exactly the two-way tables.
    const clip::TableList offered = clip::readTwoWayTables(dataDir());
    ASSERT_EQ(offered.status, clip::TableListStatus::Ok);
    std::vector<int> offeredNumbers;
    for (const clip::TableChoice& choice : offered.tables) {
        offeredNumbers.push_back(choice.number);
    }
    EXPECT_EQ(offeredNumbers, twoWay);
}

struct EncodingCase {
    const char* name;
    const char* table;
    const char* encoding;
};

class RealTablesAsIconv : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(RealTablesAsIconv, PersianTextConvertsAsIconvConvertsIt) {
    const EncodingCase& c = GetParam();
    const QStringList words = dictionaryWords(20);
    if (words.isEmpty()) {
        GTEST_SKIP() << "the Persian dictionary (package myspell-fa) is not installed";
    }
    const int n = tableNumber(QString::fromLatin1(c.table));
    ASSERT_NE(n, 0);
    // The encoding's characters as iconv reads them, one byte a line; those that iconv
    // also puts into code page 1256 (through their letters) are the ones to write with.
    QByteArray lines;
    for (int b = 128; b < 256; ++b) {
        lines += static_cast<char>(b);
        lines += '\n';
    }
    const auto decoded = iconv(lines, c.encoding, "UTF-8", true);
    ASSERT_TRUE(decoded.has_value());
    Shaper shaper;
    for (const QString& ch : QString::fromUtf8(*decoded).split(u'\n')) {
        if (ch.size() == 1 && iconvToCp1256(ch)) {
            shaper.add(ch[0].unicode());
        }
    }
    // Lines of twelve words, in the encoding's letter forms (IBM 864 holds contextual
    // forms), put into the encoding by iconv.
    QString text;
    int kept = 0;
    for (const QString& word : words) {
        if (const auto shaped = shaper.shape(word)) {
            text += *shaped + (++kept % 12 == 0 ? QStringLiteral("\r\n") : QStringLiteral(" "));
        }
    }
    ASSERT_GT(kept, 500);
    const auto legacy = iconv(text.toUtf8(), "UTF-8", c.encoding);
    ASSERT_TRUE(legacy.has_value());
    const auto legacyText = iconv(*legacy, c.encoding, "UTF-8");
    ASSERT_TRUE(legacyText.has_value());
    const auto expected = iconvToCp1256(QString::fromUtf8(*legacyText));
    ASSERT_TRUE(expected.has_value());

    const ConversionTable table = bundledTable(n, Direction::ToMs);
    ConvertOptions small;
    small.chunkSize = 997;
    QByteArray out = convertBytes(ConvertTextFile, table, *legacy, small);
    EXPECT_TRUE(out == *expected) << difference(out, *expected);
    ToolRun tool;
    const QStringList number{QStringLiteral("--table"), QString::number(n)};
    out = tool.convert(QStringLiteral("t.txt"), *legacy, number);
    EXPECT_TRUE(out == *expected) << difference(out, *expected);
    out = tool.convert(QStringLiteral("t.txt"), *legacy, number + A({"--clipboard-text"}));
    EXPECT_TRUE(out == *expected) << difference(out, *expected);
    out = tool.convert(QStringLiteral("t.rtf"), asRtf(*legacy), number);
    EXPECT_TRUE(out == asRtf(*expected)) << difference(out, asRtf(*expected));
    // The clipboard's RTF takes the table's Unicode texts, as the file converter does for
    // UTF-8 output.
    const QByteArray clipboardRtf =
        table.hasUnicode()
            ? tool.convert(QStringLiteral("t.rtf"), asRtf(*legacy), number + A({"--utf8"}))
            : asRtf(*expected);
    out = tool.convert(QStringLiteral("t.rtf"), asRtf(*legacy), number + A({"--clipboard-rtf"}));
    EXPECT_TRUE(out == clipboardRtf) << difference(out, clipboardRtf);
    if (bundledList()[n - 1].twoWay) {
        out = tool.convert(QStringLiteral("t.txt"), *expected, number + A({"--from-ms"}));
        EXPECT_TRUE(out == *legacy) << difference(out, *legacy);
        out = tool.convert(QStringLiteral("t.txt"), *expected,
                           number + A({"--from-ms", "--clipboard-text"}));
        EXPECT_TRUE(out == *legacy) << difference(out, *legacy);
    }
}

const EncodingCase kEncodingCases[] = {
    {"Isiri3342", "ISIRI 3342", "ISIRI-3342"},
    {"Ibm864", "IBM 864 (DOS Arabic)", "IBM864"},
    {"Iso88596", "ISO 8859-6", "ISO-8859-6"},
};
INSTANTIATE_TEST_SUITE_P(Cases, RealTablesAsIconv, ::testing::ValuesIn(kEncodingCases),
                         zerva::test::RowName());

TEST(RealTables, IranSystemVisualLinesReadLogicallyAfterRtl) {
    const QStringList words = dictionaryWords(37);
    if (words.isEmpty()) {
        GTEST_SKIP() << "the Persian dictionary (package myspell-fa) is not installed";
    }
    // The Iran System characters and the bytes that hold them.
    QFile file(zerva::test::sourceDir() + QStringLiteral("/tests/converter/data/iran-system.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    Shaper shaper;
    std::map<QString, char> bytes;
    while (!file.atEnd()) {
        const QList<QByteArray> cols = file.readLine().split('\t');
        if (cols.size() >= 2 && cols[0].startsWith("0x")) {
            const char32_t u = cols[1].mid(2).toUInt(nullptr, 16);
            shaper.add(u);
            bytes.emplace(QString::fromUcs4(&u, 1),
                          static_cast<char>(cols[0].mid(2).toInt(nullptr, 16)));
        }
    }
    const int n = tableNumber(QStringLiteral("Iran System"));
    ASSERT_NE(n, 0);

    // Lines of eight words with a Latin run in the middle, each in visual order: the
    // letter forms from the line's end to its start, the Latin run left to right.
    QByteArray visual;
    QString logical;
    int lines = 0;
    int withLamAlef = 0;
    for (int start = 0; start + 8 < words.size() && lines < 200; start += 8) {
        const QString line = words.mid(start, 4).join(u' ') + QStringLiteral(" ZERVA 2001 ") +
                             words.mid(start + 4, 4).join(u' ');
        const auto shaped = shaper.shape(line);
        if (!shaped) {
            continue; // a character Iran System lacks (the zero-width non-joiner, say)
        }
        QByteArray units;
        for (qsizetype i = shaped->size() - 1; i >= 0; --i) {
            if ((*shaped)[i].unicode() < 128) {
                qsizetype j = i;
                while (j > 0 && (*shaped)[j - 1].unicode() < 128) {
                    --j;
                }
                units += shaped->mid(j, i - j + 1).toLatin1();
                i = j;
            } else {
                units += bytes.at(QString((*shaped)[i]));
            }
        }
        visual += units + "\r\n";
        logical += line + QStringLiteral("\r\n");
        ++lines;
        withLamAlef += line.contains(QStringLiteral("\u0644\u0627")) ? 1 : 0;
    }
    ASSERT_GE(lines, 60);
    EXPECT_GE(withLamAlef, 5);
    const auto expected = iconvToCp1256(logical);
    ASSERT_TRUE(expected.has_value());

    QByteArray out = convertBytes(ConvertTextFileRtl, bundledTable(n, Direction::ToMs), visual);
    EXPECT_TRUE(out == *expected) << difference(out, *expected);
    ToolRun tool;
    out = tool.convert(QStringLiteral("v.txt"), visual,
                       {QStringLiteral("--table"), QString::number(n), QStringLiteral("--rtl")});
    EXPECT_TRUE(out == *expected) << difference(out, *expected);
}

} // namespace
