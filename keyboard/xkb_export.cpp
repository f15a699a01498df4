// Writes the 48 keys of a layout as an XKB symbols file.
#include "xkb_export.h"

#include <QStringList>

namespace zerva::keyboard {
namespace {

// Lam followed by alef, and the presentation form that stands for both in one keysym.
constexpr char32_t kLam = 0x0644;
constexpr char32_t kAlef = 0x0627;
constexpr char32_t kLamAlefLigature = 0xFEFB;

// Keysym names Uxxxx are refused for the C0 and C1 control ranges.
bool hasKeysym(char32_t c) {
    return !(c < 0x20 || (c >= 0x7F && c < 0xA0) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF));
}

QString keysymName(char32_t c) {
    return QStringLiteral("U%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

QString quoted(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace

QString xkbKeyName(int key) {
    auto numbered = [](const char* row, int n) {
        return QLatin1String(row) + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    if (key == 0) {
        return QStringLiteral("TLDE");
    }
    if (key >= 1 && key <= 12) {
        return numbered("AE", key);
    }
    if (key >= 13 && key <= 24) {
        return numbered("AD", key - 12);
    }
    if (key == 25) {
        return QStringLiteral("BKSL");
    }
    if (key >= 26 && key <= 36) {
        return numbered("AC", key - 25);
    }
    if (key >= 37 && key <= 46) {
        return numbered("AB", key - 36);
    }
    if (key == 47) {
        return QStringLiteral("SPCE");
    }
    return {};
}

QString xkbLevel(const QString& text, XkbLevelForm form) {
    QList<char32_t> chars;
    for (char32_t c : text.toUcs4()) {
        if (hasKeysym(c)) {
            chars << c;
        }
    }
    if (chars.isEmpty()) {
        return QStringLiteral("NoSymbol");
    }
    if (chars.size() == 1) {
        return keysymName(chars.front());
    }
    if (form == XkbLevelForm::SingleKeysym) {
        if (chars.size() == 2 && chars[0] == kLam && chars[1] == kAlef) {
            return keysymName(kLamAlefLigature);
        }
        return keysymName(chars.front());
    }
    QStringList names;
    for (char32_t c : chars) {
        names << keysymName(c);
    }
    return QStringLiteral("{ ") + names.join(QStringLiteral(", ")) + QStringLiteral(" }");
}

QByteArray exportXkbSymbols(const XkbKeyTexts& texts, XkbLevelForm form, const QString& groupName) {
    QString out;
    out += QStringLiteral("// Persian keyboard layout written by the Zerva 2001 keyboard editor.\n"
                          "default partial alphanumeric_keys\n"
                          "xkb_symbols \"basic\" {\n");
    out += QStringLiteral("    name[Group1] = %1;\n").arg(quoted(groupName));
    for (int key = 0; key < kXkbKeyCount; ++key) {
        out += QStringLiteral("    key <%1> { [ %2, %3 ] };\n")
                   .arg(xkbKeyName(key), xkbLevel(texts[key], form),
                        xkbLevel(texts[kXkbKeyCount + key], form));
    }
    out += QStringLiteral("};\n");
    return out.toUtf8();
}

} // namespace zerva::keyboard
