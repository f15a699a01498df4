// Real Persian text for the converter tests.
#include "tests/converter/real_text.h"

#include <QFile>
#include <QProcess>

namespace zerva::test {

std::optional<QByteArray> iconv(const QByteArray& input, const char* from, const char* to,
                                bool dropInvalid) {
    QProcess p;
    QStringList args{QStringLiteral("-f"), QString::fromLatin1(from), QStringLiteral("-t"),
                     QString::fromLatin1(to)};
    if (dropInvalid) {
        args << QStringLiteral("-c");
    }
    p.start(QStringLiteral("iconv"), args);
    if (!p.waitForStarted()) {
        return std::nullopt;
    }
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished();
    const QByteArray out = p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || (!dropInvalid && p.exitCode() != 0)) {
        return std::nullopt;
    }
    return out;
}

QStringList dictionaryWords(int step) {
    QFile file(QStringLiteral(ZERVA_HUNSPELL_FA));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList words;
    file.readLine(); // the word count
    for (int i = 0; !file.atEnd(); ++i) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (i % step == 0 && !line.isEmpty()) {
            words << line.section(u'/', 0, 0);
        }
    }
    return words;
}

char32_t bestFit1256(char32_t c) {
    if (c == 0x06CC) {
        return 0x064A;
    }
    if (c >= 0x06F0 && c <= 0x06F9) {
        return U'0' + (c - 0x06F0);
    }
    if (c >= 0x0660 && c <= 0x0669) {
        return U'0' + (c - 0x0660);
    }
    return c;
}

QString bestFit1256(const QString& text) {
    QList<uint> ucs4 = text.toUcs4();
    for (uint& c : ucs4) {
        c = bestFit1256(c);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(ucs4.constData()), ucs4.size());
}

QByteArray asRtf(const QByteArray& plain) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1256 ";
    for (char ch : plain) {
        const auto b = static_cast<std::uint8_t>(ch);
        if (b < 128) {
            rtf += ch == '\n' ? QByteArray("\\par\n") : QByteArray(1, ch);
        } else {
            rtf += "\\'" + QByteArray::number(b, 16);
        }
    }
    return rtf + '}';
}

} // namespace zerva::test
