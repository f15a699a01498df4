// From code page 1256 with the bundled ISO 8859-6 table: the characters ISO 8859-6 lacks
// take their reverse best fits or become "?" and are counted, in the text, RTF and clipboard
// converters and in zerva-convert; towards code page 1256 nothing changes.
#include "clipboard/clipboard_rules.h"
#include "clipboard/clipboard_table.h"
#include "converter/conversion_table.h"
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"
#include "tests/converter/test_tables.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/test_paths.h"

#include "common/codepage.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

using namespace zerva::converter;
using zerva::test::convertBytes;
using zerva::test::dataDir;
using zerva::test::readFile;
namespace clip = zerva::clipboard;

namespace {

// The count line of the notices and of zerva-convert.
QString countLine(int n) {
    return QString::number(n) + QStringLiteral(" نويسه قابل تبديل نبود.");
}

int isoTableNumber() {
    zerva::test::FakeMessenger messenger;
    const auto list = LoadTableList(dataDir(), messenger).value_or(QList<TableListEntry>());
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].name == QStringLiteral("ISO 8859-6")) {
            EXPECT_TRUE(list[i].twoWay);
            return static_cast<int>(i + 1);
        }
    }
    ADD_FAILURE() << "no ISO 8859-6 table in the bundled list";
    return 0;
}

QByteArray tableFile(int n) {
    return readFile(dataDir() + u'/' + tableFileName(n));
}

ConversionTable bundled(int n, Direction direction) {
    zerva::test::FakeMessenger messenger;
    auto table = LoadConversionTable(dataDir(), n, direction, messenger);
    EXPECT_TRUE(table.has_value());
    return table.value_or(ConversionTable());
}

clip::ClipboardTable bundledClip(int n, clip::Direction direction) {
    auto table = clip::readClipboardTable(dataDir(), n, direction);
    EXPECT_TRUE(table.has_value());
    return table.value_or(clip::ClipboardTable::identity());
}

// One code page 1256 character and the ISO 8859-6 bytes it must become.
struct Row {
    int cp1256;
    std::vector<int> iso;
    bool counted;
};

const std::vector<Row>& rows() {
    static const std::vector<Row> kRows{
        {0x81, {0xc8}, false},     // peh as beh
        {0x8d, {0xcc}, false},     // tcheh as jeem
        {0x8e, {0xd2}, false},     // jeh as zain
        {0x90, {0xe3}, false},     // gaf as kaf
        {0x98, {0xe3}, false},     // keheh as kaf
        {0x9d, {}, false},         // zero width non-joiner dropped
        {0xab, {'"'}, false},      // guillemets as double quotes
        {0xbb, {'"'}, false},      //   (0xBB itself is the Arabic semicolon there)
        {0xd7, {'x'}, false},      // multiplication sign, not tah
        {0xe9, {'e'}, false},      // e acute, not alef maksura
        {0x99, {'T', 'M'}, false}, // trade mark: two bytes
        {0x80, {'?'}, true},       // euro: no counterpart
        {0x85, {'?'}, true},       // ellipsis: no counterpart
        {0xc8, {0xc8}, false},     // beh is beh
        {0xd8, {0xd7}, false},     // tah is at 0xD7 there
        {0xba, {0xbb}, false},     // the Arabic semicolon
    };
    return kRows;
}

// The rows as text (each followed by a blank) and as RTF escapes, in code page 1256 and in
// ISO 8859-6, with the number of counted characters; repeated times times.
struct Sample {
    QByteArray cp1256, iso, cp1256Rtf, isoRtf;
    int counted = 0;
};

QByteArray escape(int byte) {
    return QByteArrayLiteral("\\'") + QByteArray::number(byte, 16).rightJustified(2, '0');
}

Sample sample(int times) {
    Sample s;
    s.cp1256Rtf = s.isoRtf = "{\\rtf1\\ansi ";
    for (int k = 0; k < times; ++k) {
        for (const Row& row : rows()) {
            s.cp1256 += static_cast<char>(row.cp1256);
            s.cp1256Rtf += escape(row.cp1256);
            for (int b : row.iso) {
                s.iso += static_cast<char>(b);
                s.isoRtf += escape(b);
            }
            s.cp1256 += ' ';
            s.iso += ' ';
            s.cp1256Rtf += ' ';
            s.isoRtf += ' ';
            s.counted += row.counted ? 1 : 0;
        }
    }
    s.cp1256Rtf += '}';
    s.isoRtf += '}';
    return s;
}

class ReverseFits : public ::testing::Test {
protected:
    const int n = isoTableNumber();
};

} // namespace

TEST_F(ReverseFits, TextAndRtfConvertersFitAndCount) {
    const ConversionTable table = bundled(n, Direction::FromMs);
    const Sample s = sample(40);
    {
        for (qsizetype chunk : {qsizetype{7}, ConvertOptions::kDefaultChunkSize}) {
            SCOPED_TRACE(testing::Message() << "chunk " << chunk);
            qint64 counted = 0;
            ConvertOptions options;
            options.chunkSize = chunk;
            options.noCounterpart = &counted;
            EXPECT_EQ(convertBytes(ConvertTextFile, table, s.cp1256, options).toHex(' '),
                      s.iso.toHex(' '));
            EXPECT_EQ(counted, s.counted);
            EXPECT_EQ(convertBytes(ConvertRtfFile, table, s.cp1256Rtf, options), s.isoRtf);
            EXPECT_EQ(counted, 2 * s.counted);
            // The reordering converters count the same characters.
            convertBytes(ConvertTextFileRtl, table, s.cp1256, options);
            convertBytes(ConvertTextFileLtr, table, s.cp1256, options);
            EXPECT_EQ(counted, 4 * s.counted);
        }
    }
    EXPECT_EQ(s.counted, 80);
}

TEST_F(ReverseFits, ClipboardConversionsFitAndCount) {
    const clip::ClipboardTable table = bundledClip(n, clip::Direction::FromMs);
    const Sample s = sample(3);
    qint64 counted = 0;
    EXPECT_EQ(clip::convertTextBytes(table, s.cp1256, &counted).toHex(' '), s.iso.toHex(' '));
    EXPECT_EQ(counted, s.counted);
    EXPECT_EQ(clip::convertRtf(table, s.cp1256Rtf, &counted), s.isoRtf);
    EXPECT_EQ(counted, 2 * s.counted);
    EXPECT_EQ(clip::convertText(table, zerva::common::fromCp1256(s.cp1256), &counted),
              zerva::common::fromCp1256(s.iso));
    EXPECT_EQ(counted, 3 * s.counted);
}

// Before the best fits, 0xBB came out as the Arabic semicolon, 0xD7 as tah and 0x81 as a
// control code: every byte must now come back as itself, be a listed best fit, or be "?"
// and counted.
TEST_F(ReverseFits, NoByteBecomesAnotherCharacterSilently) {
    const ConversionTable from = bundled(n, Direction::FromMs);
    const ConversionTable to = bundled(n, Direction::ToMs);
    const clip::ClipboardTable clipFrom = bundledClip(n, clip::Direction::FromMs);
    // The bytes listed as best fits in the file.
    std::vector<bool> listed(256, false);
    bool inFits = false;
    for (const QByteArray& line : tableFile(n).split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.startsWith('[')) {
            inFits = l == "[Reverse Best Fits]";
        } else if (inFits && !l.startsWith(';') && l.contains('=')) {
            listed[static_cast<std::size_t>(l.left(l.indexOf('=')).toInt())] = true;
        }
    }
    int same = 0, fitted = 0, counted = 0;
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        const QByteArray in(1, static_cast<char>(c));
        qint64 lost = 0;
        ConvertOptions options;
        options.noCounterpart = &lost;
        const QByteArray out = convertBytes(ConvertTextFile, from, in, options);
        qint64 clipLost = 0;
        EXPECT_EQ(clip::convertTextBytes(clipFrom, in, &clipLost), out);
        EXPECT_EQ(clipLost, lost);
        if (convertBytes(ConvertTextFile, to, out) == in) {
            EXPECT_EQ(lost, 0);
            ++same;
        } else if (lost == 1) {
            EXPECT_EQ(out, QByteArray("?"));
            ++counted;
        } else {
            EXPECT_TRUE(listed[static_cast<std::size_t>(c)]) << "0x" << std::hex << c;
            ++fitted;
        }
    }
    EXPECT_EQ(same + fitted + counted, 256);
    EXPECT_GT(fitted, 40);
    EXPECT_GT(counted, 10);
}

// The sections read from code page 1256 are ignored towards it, by both loaders: the table
// with them cut off converts every byte and pair the same way.
TEST_F(ReverseFits, TowardsCodePage1256EveryTableIsAsWithoutTheNewSections) {
    zerva::test::FakeMessenger messenger;
    const auto list = LoadTableList(dataDir(), messenger).value_or(QList<TableListEntry>());
    ASSERT_GE(list.size(), 8);
    int withSections = 0;
    for (int t = 1; t <= list.size(); ++t) {
        SCOPED_TRACE(t);
        const QByteArray full = tableFile(t);
        qsizetype cut = full.size();
        for (const char* header : {"\r\n[Reverse Best Fits]\r\n", "\r\n[No Counterpart]\r\n"}) {
            const qsizetype at = full.indexOf(header);
            cut = at >= 0 ? std::min(cut, at + 2) : cut;
        }
        withSections += cut < full.size() ? 1 : 0;
        const QByteArray before = full.left(cut);

        const auto a = parseConversionTable(full, Direction::ToMs);
        const auto b = parseConversionTable(before, Direction::ToMs);
        ASSERT_TRUE(a && b);
        for (int x = 0; x < 256; ++x) {
            const auto bx = static_cast<std::uint8_t>(x);
            const ByteEntry& ea = a->byte(bx);
            const ByteEntry& eb = b->byte(bx);
            EXPECT_EQ(std::tie(ea.kind, ea.out1, ea.out2, ea.noCounterpart),
                      std::tie(eb.kind, eb.out1, eb.out2, eb.noCounterpart))
                << x;
            for (int y = 0; y < 256; ++y) {
                EXPECT_EQ(a->findPair(bx, static_cast<std::uint8_t>(y)),
                          b->findPair(bx, static_cast<std::uint8_t>(y)));
            }
        }
        const auto ca = clip::parseClipboardTable(full, clip::Direction::ToMs);
        const auto cb = clip::parseClipboardTable(before, clip::Direction::ToMs);
        ASSERT_TRUE(ca && cb);
        for (int x = 0; x < 256; ++x) {
            const clip::ByteCells& p = (*ca)[static_cast<std::uint8_t>(x)];
            const clip::ByteCells& q = (*cb)[static_cast<std::uint8_t>(x)];
            EXPECT_EQ(std::tie(p.out1Hex, p.out2Hex, p.pairs, p.noCounterpart),
                      std::tie(q.out1Hex, q.out2Hex, q.pairs, q.noCounterpart))
                << x;
        }
    }
    EXPECT_EQ(withSections, 1); // the two-way table
}

TEST_F(ReverseFits, ZervaConvertTellsTheCountOnStandardError) {
    QTemporaryDir dir;
    const Sample s = sample(2);
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(zerva::test::writeFile(in, s.cp1256));
    ASSERT_TRUE(QDir().mkpath(out));
    const auto run = [&](bool fromMs, const QStringList& args) {
        QStringList all{QStringLiteral("--tables"), dataDir(), QStringLiteral("--table"),
                        QString::number(n)};
        if (fromMs) {
            all << QStringLiteral("--from-ms");
        }
        QProcess p;
        p.start(zerva::test::binDir() + QStringLiteral("/zerva-convert"), all + args);
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0);
        return QString::fromUtf8(p.readAllStandardError()).trimmed();
    };
    EXPECT_EQ(run(true, {QStringLiteral("--out"), out, in}), countLine(s.counted));
    EXPECT_EQ(readFile(out + QStringLiteral("/in.txt")), s.iso);
    const QString clipOut = dir.filePath(QStringLiteral("clip.txt"));
    EXPECT_EQ(run(true, {QStringLiteral("--clipboard-text"), in, clipOut}), countLine(s.counted));
    EXPECT_EQ(readFile(clipOut), s.iso);
    // Towards code page 1256 nothing is counted.
    EXPECT_EQ(run(false, {QStringLiteral("--out"), out, in}), QString());
}
