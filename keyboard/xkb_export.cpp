// Writes the 48 keys of a layout as an XKB symbols file.
#include "xkb_export.h"

#include <QStringList>

#include <xkbcommon/xkbcommon.h>

namespace zerva::keyboard {
namespace {

constexpr char32_t kComposeKeysymBase = 0xF5A00;

// Control characters type nothing, so they get no keysym (libxkbcommon would give Tab and
// friends, or refuse the number).
bool hasKeysym(char32_t c) {
    return !(c < 0x20 || (c >= 0x7F && c < 0xA0) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF));
}

QString unicodeKeysymName(char32_t c) {
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

QString xkbKeysymName(char32_t c) {
    if (!hasKeysym(c)) {
        return {};
    }
    // Tools that look a character up by its keysym (how-to-type, input methods) find only the
    // standard keysym, Arabic_lam (0x5e4), never U0644 (0x1000644).
    const xkb_keysym_t sym = xkb_utf32_to_keysym(c);
    char name[64];
    if (sym == XKB_KEY_NoSymbol || xkb_keysym_get_name(sym, name, sizeof name) <= 0 ||
        (name[0] == 'U' && (sym & 0xFF000000u) == 0x01000000u)) {
        return unicodeKeysymName(c);
    }
    return QString::fromLatin1(name);
}

char32_t xkbComposeKeysym(int slot) {
    return kComposeKeysymBase + static_cast<char32_t>(slot);
}

namespace {

QList<char32_t> typedChars(const QString& text) {
    QList<char32_t> chars;
    for (char32_t c : text.toUcs4()) {
        if (hasKeysym(c)) {
            chars << c;
        }
    }
    return chars;
}

} // namespace

QString xkbLevel(const QString& text, XkbLevelForm form, int slot) {
    const QList<char32_t> chars = typedChars(text);
    if (chars.isEmpty()) {
        return QStringLiteral("NoSymbol");
    }
    if (chars.size() == 1) {
        return xkbKeysymName(chars.front());
    }
    if (form == XkbLevelForm::ComposeKeysym) {
        return unicodeKeysymName(xkbComposeKeysym(slot));
    }
    QStringList names;
    for (char32_t c : chars) {
        names << xkbKeysymName(c);
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
                   .arg(xkbKeyName(key), xkbLevel(texts[key], form, key),
                        xkbLevel(texts[kXkbKeyCount + key], form, kXkbKeyCount + key));
    }
    out += QStringLiteral("};\n");
    return out.toUtf8();
}

QByteArray xkbComposeSequences(const XkbKeyTexts& texts) {
    QString out;
    for (int slot = 0; slot < kXkbSlotCount; ++slot) {
        QList<char32_t> chars = typedChars(texts[slot]);
        if (chars.size() < 2) {
            continue;
        }
        QString text = QString::fromUcs4(chars.constData(), chars.size());
        text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        text.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        const int key = slot % kXkbKeyCount;
        out += QStringLiteral("<%1> : \"%2\"   # key <%3>%4\n")
                   .arg(unicodeKeysymName(xkbComposeKeysym(slot)), text, xkbKeyName(key),
                        slot >= kXkbKeyCount ? QStringLiteral(", Shift") : QString());
    }
    return out.toUtf8();
}

XkbKeyTexts withPersianLetters(const XkbKeyTexts& texts) {
    constexpr int kLastNumberRowKey = 12;
    XkbKeyTexts out = texts;
    for (int slot = 0; slot < kXkbSlotCount; ++slot) {
        const bool numberRow = slot % kXkbKeyCount <= kLastNumberRowKey;
        for (QChar& c : out[slot]) {
            if (c == QChar(0x064A)) {
                c = QChar(0x06CC); // yeh
            } else if (c == QChar(0x0643)) {
                c = QChar(0x06A9); // keheh
            } else if (numberRow && c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                c = QChar(0x06F0 + (c.unicode() - u'0'));
            }
        }
    }
    return out;
}

} // namespace zerva::keyboard
