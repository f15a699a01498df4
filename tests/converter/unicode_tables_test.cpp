// The [Unicode] sections of the bundled tables against the encodings' own decoders on this
// machine: every byte's Unicode text (or, where the table gives none, its code page 1256
// result decoded) is the character the decoder reads, with letter forms as their letters.
#include "clipboard/clipboard_table.h"
#include "converter/conversion_table.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"
#include "tests/support/unicode_section_cases.h"

#include "common/codepage.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <array>

using namespace zerva::converter;
namespace clip = zerva::clipboard;

namespace {

enum class Decoder { Iconv, Uconv, Python, File };

struct UnicodeTableCase {
    const char* name;
    const char* table; // its name in the table list
    Decoder decoder;
    const char* codec; // for File: the table's path in the sources
};

void PrintTo(const UnicodeTableCase& c, std::ostream* os) {
    *os << c.name;
}

// Each byte's characters as the decoder reads the byte alone; empty where it is unassigned.
using ByteTexts = std::array<QString, 256>;

// The program's output; nothing when it cannot run or fails (iconv -c ends with 1 when it
// left something out, which is not a failure here).
std::optional<QByteArray> run(const QString& program, const QStringList& args,
                              const QByteArray& input, int worstExit = 0) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted()) {
        return std::nullopt;
    }
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() > worstExit) {
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

// The command-line decoders read each byte from 0x20 on alone (a byte may decode to a line
// feed, so they cannot share one input); the control codes below are the same in every
// encoding here and give no text of their own.
std::optional<ByteTexts> byteDecoder(const QString& program, const QStringList& args,
                                     int worstExit = 0) {
    ByteTexts texts;
    for (int b = 0; b < 0x20; ++b) {
        texts[b] = QChar(b);
    }
    for (int b = 0x20; b < 256; ++b) {
        const auto out = run(program, args, QByteArray(1, static_cast<char>(b)), worstExit);
        if (!out) {
            return std::nullopt;
        }
        texts[b] = QString::fromUtf8(*out);
    }
    return texts;
}

std::optional<ByteTexts> pythonDecoder(const char* codec) {
    const QString script = QStringLiteral("import sys\n"
                                          "for b in range(256):\n"
                                          "    try:\n"
                                          "        t = bytes([b]).decode(sys.argv[1])\n"
                                          "    except UnicodeDecodeError:\n"
                                          "        t = ''\n"
                                          "    print(' '.join('%04X' % ord(c) for c in t))\n");
    const auto out = run(QStringLiteral("python3"),
                         {QStringLiteral("-c"), script, QString::fromLatin1(codec)}, {});
    if (!out) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = out->split('\n');
    if (lines.size() != 257) {
        return std::nullopt;
    }
    ByteTexts texts;
    for (int b = 0; b < 256; ++b) {
        for (const QByteArray& hex : lines[b].split(' ')) {
            if (!hex.isEmpty()) {
                const char32_t c = hex.toUInt(nullptr, 16);
                texts[b] += QString::fromUcs4(&c, 1);
            }
        }
    }
    return texts;
}

// A table of "0x80<TAB>U+06F0<TAB>name" lines; bytes it does not name below 0x80 are ASCII.
std::optional<ByteTexts> fileDecoder(const char* path) {
    QFile file(zerva::test::sourceDir() + u'/' + QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    ByteTexts texts;
    for (int b = 0; b < 0x80; ++b) {
        texts[b] = QChar(b);
    }
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
        if (fields.size() < 2 || fields[0].startsWith('#') || !fields[1].startsWith("U+")) {
            continue;
        }
        const int byte = fields[0].toInt(nullptr, 16);
        const char32_t c = fields[1].mid(2).toUInt(nullptr, 16);
        texts[byte & 255] = QString::fromUcs4(&c, 1);
    }
    return texts;
}

std::optional<ByteTexts> decode(const UnicodeTableCase& c) {
    const QString codec = QString::fromLatin1(c.codec);
    switch (c.decoder) {
    case Decoder::Iconv:
        return byteDecoder(QStringLiteral("iconv"),
                           {QStringLiteral("-c"), QStringLiteral("-f"), codec, QStringLiteral("-t"),
                            QStringLiteral("UTF-8")},
                           1);
    case Decoder::Uconv:
        return byteDecoder(QStringLiteral("uconv"),
                           {QStringLiteral("--from-callback"), QStringLiteral("skip"),
                            QStringLiteral("-f"), codec, QStringLiteral("-t"),
                            QStringLiteral("UTF-8")});
    case Decoder::Python:
        return pythonDecoder(c.codec);
    case Decoder::File:
        return fileDecoder(c.codec);
    }
    return std::nullopt;
}

// What a decoded character stands for in text: a contextual or ligature form is its letter
// or letters, and a mark written on a space or a tatweel is the mark alone.
QString letterOf(const QString& decoded) {
    if (decoded.size() != 1) {
        return decoded;
    }
    const char16_t c = decoded[0].unicode();
    if (!((c >= 0xFB50 && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF))) {
        return decoded;
    }
    QString letters = decoded.normalized(QString::NormalizationForm_KC);
    if (letters.size() == 2 && (letters[0] == u' ' || letters[0] == QChar(0x0640)) &&
        letters[1].combiningClass() != 0) {
        letters.remove(0, 1);
    }
    return letters;
}

// No text of its own: unassigned, a control code or a private use character.
bool givesNoText(const QString& decoded) {
    return decoded.isEmpty() ||
           (decoded.size() == 1 && (decoded[0].category() == QChar::Other_Control ||
                                    decoded[0].category() == QChar::Other_PrivateUse));
}

QString textOf(const ByteEntry& e) {
    if (e.unicode.given()) {
        return QString::fromUcs4(e.unicode.points, e.unicode.count);
    }
    QByteArray bytes;
    if (e.kind >= 1) {
        bytes += static_cast<char>(e.out1);
    }
    if (e.kind == 2) {
        bytes += static_cast<char>(e.out2);
    }
    return zerva::common::fromCp1256(bytes);
}

int tableNumber(const char* name) {
    zerva::test::FakeMessenger messenger;
    const auto list = LoadTableList(zerva::test::dataDir(), messenger);
    for (qsizetype i = 0; list && i < list->size(); ++i) {
        if (list->at(i).name == QString::fromLatin1(name)) {
            return static_cast<int>(i + 1);
        }
    }
    return 0;
}

class BundledUnicodeText : public ::testing::TestWithParam<UnicodeTableCase> {};

TEST_P(BundledUnicodeText, EveryByteReadsAsTheEncodingsDecoderReadsIt) {
    const UnicodeTableCase& c = GetParam();
    const int n = tableNumber(c.table);
    ASSERT_NE(n, 0) << c.table;
    zerva::test::FakeMessenger messenger;
    const auto table = LoadConversionTable(zerva::test::dataDir(), n, Direction::ToMs, messenger);
    ASSERT_TRUE(table.has_value());
    const auto clipTable =
        clip::readClipboardTable(zerva::test::dataDir(), n, clip::Direction::ToMs);
    ASSERT_TRUE(clipTable.has_value());
    const std::optional<ByteTexts> decoded = decode(c);
    if (!decoded) {
        GTEST_SKIP() << "the decoder for " << c.codec << " is not installed";
    }
    int withText = 0;
    for (int b = 0; b < 256; ++b) {
        const ByteEntry& entry = table->byte(static_cast<std::uint8_t>(b));
        SCOPED_TRACE(b);
        EXPECT_EQ(entry.unicode, (*clipTable)[static_cast<std::uint8_t>(b)].unicode);
        if (givesNoText((*decoded)[b])) {
            EXPECT_FALSE(entry.unicode.given());
            continue;
        }
        EXPECT_EQ(textOf(entry), letterOf((*decoded)[b]));
        withText += entry.unicode.given() ? 1 : 0;
    }
    // hasUnicode() says whether any byte has a text of its own.
    EXPECT_EQ(table->hasUnicode(), withText > 0);
}

const UnicodeTableCase kUnicodeTableCases[] = {
    {"IranSystem", "Iran System", Decoder::File, "scripts/data/iran-system.txt"},
    {"Isiri3342", "ISIRI 3342", Decoder::Iconv, "ISIRI-3342"},
    {"Ibm864", "IBM 864 (DOS Arabic)", Decoder::Python, "cp864"},
    {"Ibm720", "IBM 720 (DOS Arabic)", Decoder::Python, "cp720"},
    {"Ibm1098", "IBM 1098 (DOS Farsi)", Decoder::Uconv, "ibm-1098"},
    {"Iso88596", "ISO 8859-6", Decoder::Python, "iso8859_6"},
    {"MacArabic", "Mac Arabic", Decoder::Python, "mac_arabic"},
    {"MacFarsi", "Mac Farsi", Decoder::Python, "mac_farsi"},
};
INSTANTIATE_TEST_SUITE_P(Cases, BundledUnicodeText, ::testing::ValuesIn(kUnicodeTableCases),
                         zerva::test::RowName());

} // namespace
