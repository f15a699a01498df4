// The profile (INI) reader on any bytes, asked for the sections and keys the bytes name:
// values are cut at 255 characters and at a NUL, and a number is read from its value.
#include "common/profile_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <QStringList>

#include <limits>

using namespace zerva;
using common::ProfileFile;

namespace {

// The number a value gives: blanks, a sign, digits up to the first other character.
qint64 numberOf(const QString& value) {
    qsizetype i = 0;
    while (i < value.size() && (value[i] == u' ' || value[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) {
        negative = value[i] == u'-';
        ++i;
    }
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 n = 0;
    for (; i < value.size() && value[i].isDigit() && value[i].unicode() < 128; ++i) {
        const int d = value[i].unicode() - u'0';
        n = n > (kMax - d) / 10 ? kMax : n * 10 + d;
    }
    return negative ? -n : n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ProfileFile profile = ProfileFile::parse(bytes);

    // Names to ask for: each "[section]" and each text before a "=", as Latin-1 and as UTF-8
    // so that some of them match however the file decoded.
    QStringList sections{QStringLiteral("Code pages")};
    QStringList keys{QStringLiteral("tables")};
    for (const QByteArray& line : bytes.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[')) {
            const qsizetype close = t.indexOf(']');
            const QByteArray name = close < 0 ? t.mid(1) : t.mid(1, close - 1);
            sections << QString::fromLatin1(name) << QString::fromUtf8(name);
        } else if (const qsizetype eq = t.indexOf('='); eq > 0) {
            keys << QString::fromLatin1(t.left(eq)) << QString::fromUtf8(t.left(eq));
        }
        if (sections.size() + keys.size() > 64) {
            break;
        }
    }
    const QString def = QStringLiteral("-");
    for (const QString& s : sections) {
        for (const QString& k : keys) {
            const QString v = profile.string(s, k, def);
            ZERVA_FUZZ_CHECK(v.size() <= ProfileFile::kMaxValue);
            ZERVA_FUZZ_CHECK(!v.contains(QChar(0)));
            ZERVA_FUZZ_CHECK(profile.string(s.toUpper(), k.toLower(), def) == v ||
                             s.toUpper().toCaseFolded() != s.toCaseFolded() ||
                             k.toLower().toCaseFolded() != k.toCaseFolded());
            const qint64 n = profile.integer(s, k, 7);
            if (v == def && profile.string(s, k, QStringLiteral("+")) == QStringLiteral("+")) {
                ZERVA_FUZZ_CHECK(n == 7); // missing
            } else if (v.isEmpty()) {
                ZERVA_FUZZ_CHECK(n == 7); // empty
            } else {
                ZERVA_FUZZ_CHECK(n == numberOf(v));
            }
        }
    }
    return 0;
}
