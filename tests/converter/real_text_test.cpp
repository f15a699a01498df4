// The converters on real Persian text: words of the installed Persian dictionary put into
// ISIRI 3342 with iconv, and a line of Iran System text in visual order.
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"
#include "tests/converter/real_text.h"
#include "tests/converter/test_tables.h"
#include "tests/support/test_paths.h"

#include "common/codepage.h"

#include <QFile>

#include <gtest/gtest.h>

#include <map>

using namespace zerva::converter;
using zerva::test::convertBytes;
using zerva::test::dictionaryWords;
using zerva::test::iconv;

namespace {

// Code page 1256 for a character, with the usual best fit for what it lacks.
std::optional<std::uint8_t> bestFit1256(char32_t c) {
    return zerva::common::cp1256Byte(zerva::test::bestFit1256(c));
}

TEST(RealText, Isiri3342AsIconvConvertsIt) {
    const QStringList words = dictionaryWords(40);
    if (words.isEmpty()) {
        GTEST_SKIP() << "the Persian dictionary (package myspell-fa) is not installed";
    }
    // The code page's characters, byte by byte, as iconv reads them.
    std::map<char32_t, std::uint8_t> isiri;
    QByteArray tableLines = "[Convert Table]\r\n";
    QByteArray targets;
    for (int b = 128; b < 256; ++b) {
        const auto u = iconv(QByteArray(1, static_cast<char>(b)), "ISIRI-3342", "UTF-8");
        const QString ch = u ? QString::fromUtf8(*u) : QString();
        if (ch.size() != 1) {
            continue;
        }
        const char32_t c = ch[0].unicode();
        isiri.emplace(c, static_cast<std::uint8_t>(b));
        // Only entries that reverse without loss (the code page also holds a second space).
        const auto target = zerva::common::cp1256Byte(c);
        if (target && *target >= 128 && !targets.contains(static_cast<char>(*target))) {
            targets += static_cast<char>(*target);
            tableLines += QByteArray::number(b) + '=' + QByteArray::number(*target) + "\r\n";
        }
    }
    // The words iconv can put into both code pages.
    QString text;
    int kept = 0;
    for (const QString& word : words) {
        const auto ucs4 = word.toUcs4();
        const bool usable = std::all_of(ucs4.begin(), ucs4.end(), [&](char32_t c) {
            return isiri.count(c) > 0 && zerva::common::cp1256Byte(c).has_value();
        });
        if (usable) {
            text += word + (++kept % 12 == 0 ? QStringLiteral("\r\n") : QStringLiteral(" "));
        }
    }
    ASSERT_GT(kept, 1000);
    const auto legacy = iconv(text.toUtf8(), "UTF-8", "ISIRI-3342");
    ASSERT_TRUE(legacy.has_value());
    const auto expected = iconv(*legacy, "ISIRI-3342", "CP1256");
    ASSERT_TRUE(expected.has_value());
    ASSERT_EQ(zerva::common::fromCp1256(*expected), text);

    const auto to = parseConversionTable(tableLines, Direction::ToMs);
    const auto from = parseConversionTable(tableLines, Direction::FromMs);
    ASSERT_TRUE(to && from);
    ConvertOptions small;
    small.chunkSize = 997;
    EXPECT_TRUE(convertBytes(ConvertTextFile, *to, *legacy) == *expected);
    EXPECT_TRUE(convertBytes(ConvertTextFile, *to, *legacy, small) == *expected);
    EXPECT_TRUE(convertBytes(ConvertTextFile, *from, *expected) == *legacy);

    // The same text as RTF escapes.
    EXPECT_TRUE(convertBytes(ConvertRtfFile, *to, zerva::test::asRtf(*legacy), small) ==
                zerva::test::asRtf(*expected));
}

TEST(RealText, IranSystemVisualLineReadsLogicallyAfterRtl) {
    const QStringList words = dictionaryWords(40);
    if (words.isEmpty()) {
        GTEST_SKIP() << "the Persian dictionary (package myspell-fa) is not installed";
    }
    QFile file(zerva::test::sourceDir() + QStringLiteral("/tests/converter/data/iran-system.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // Each byte's letter form reduced to its base letters; the first byte of each base
    // letter (or lam-alef) is the glyph used to write the visual line.
    QByteArray tableLines = "[Convert Table]\r\n";
    std::map<QString, std::uint8_t> glyph;
    while (!file.atEnd()) {
        const QList<QByteArray> cols = file.readLine().split('\t');
        if (cols.size() < 2 || !cols[0].startsWith("0x")) {
            continue;
        }
        const int b = cols[0].mid(2).toInt(nullptr, 16);
        const char32_t u = cols[1].mid(2).toUInt(nullptr, 16);
        const QString base = QString::fromUcs4(&u, 1).normalized(QString::NormalizationForm_KC);
        QByteArray targets;
        for (char32_t c : base.toUcs4()) {
            if (const auto t = bestFit1256(c)) {
                targets += QByteArray::number(*t) + '+';
            }
        }
        if (!targets.isEmpty() && targets.count('+') <= 2) {
            targets.chop(1);
            tableLines += QByteArray::number(b) + '=' + targets + "\r\n";
            glyph.emplace(base, static_cast<std::uint8_t>(b));
        }
    }
    const auto table = parseConversionTable(tableLines, Direction::ToMs);
    ASSERT_TRUE(table.has_value());
    const QString lamAlef = QString::fromUcs4(U"\u0644\u0627");
    int checked = 0;
    int withLamAlef = 0;

    // Words Iran System can write (it has no zero-width non-joiner, for one).
    QStringList usableWords;
    for (const QString& word : words) {
        if (std::all_of(word.begin(), word.end(), [&](QChar c) { return glyph.count(c) > 0; })) {
            usableWords << word;
        }
    }
    for (int start = 0; start + 8 < usableWords.size() && start < 8000; start += 100) {
        // A logical line of eight words with a Latin run in the middle.
        QString logical = usableWords.mid(start, 4).join(u' ') + QStringLiteral(" ZERVA 2001 ") +
                          usableWords.mid(start + 4, 4).join(u' ');
        // Visual order: the glyphs from the line's end to its start; Latin runs read left
        // to right inside it.
        QList<QByteArray> units;
        bool usable = true;
        for (qsizetype i = 0; i < logical.size() && usable; ++i) {
            if (logical.mid(i, 2) == lamAlef) {
                units.prepend(QByteArray(1, static_cast<char>(glyph.at(lamAlef))));
                ++i;
            } else if (logical[i].unicode() < 128) {
                qsizetype j = i;
                while (j < logical.size() && logical[j].unicode() < 128) {
                    ++j;
                }
                units.prepend(logical.mid(i, j - i).toLatin1());
                i = j - 1;
            } else if (auto g = glyph.find(QString(logical[i])); g != glyph.end()) {
                units.prepend(QByteArray(1, static_cast<char>(g->second)));
            } else {
                usable = false;
            }
        }
        if (!usable) {
            continue;
        }
        const QByteArray visual = units.join() + "\r\n";
        QByteArray expected;
        for (char32_t c : logical.toUcs4()) {
            expected += static_cast<char>(bestFit1256(c).value_or('?'));
        }
        expected += "\r\n";
        EXPECT_EQ(convertBytes(ConvertTextFileRtl, *table, visual + visual), expected + expected)
            << logical.toStdString();
        ++checked;
        withLamAlef += logical.contains(lamAlef) ? 1 : 0;
    }
    EXPECT_GE(checked, 40);
    EXPECT_GE(withLamAlef, 3);
}

} // namespace
