// Writers of the .klc, .keylayout and XKB forms of a layout.
#include "layout_export.h"

#include "keyboard/keys.h"

#include <QStringList>

namespace zerva::keyboard {
namespace {

// Set-1 scan codes of keys 0..47, in key order.
constexpr std::array<int, kKeyCount> kScanCodes = {
    0x29, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x10, 0x11, 0x12,
    0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x2B, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23,
    0x24, 0x25, 0x26, 0x27, 0x28, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x39};

// macOS virtual key codes of keys 0..47 (the ANSI keyboard).
constexpr std::array<int, kKeyCount> kMacCodes = {
    50, 18, 19, 20, 21, 23, 22, 26, 28, 25, 29, 27, 24, 12, 13, 14, 15, 17, 16, 32, 34, 31, 35, 33,
    30, 42, 0,  1,  2,  3,  5,  4,  38, 40, 37, 41, 39, 6,  7,  8,  9,  11, 45, 46, 43, 47, 44, 49};

// On ISO keyboards the key left of 1 reports this code instead of the backquote key's.
constexpr int kMacIsoSectionCode = 10;

constexpr int kMaxLigatureChars = 4;

QList<char32_t> ucs4(const QString& text) {
    QList<char32_t> chars;
    for (uint c : text.toUcs4()) {
        chars << static_cast<char32_t>(c);
    }
    return chars;
}

QString hex4(char32_t c) {
    return QStringLiteral("%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// Characters XML 1.0 can hold.
bool xmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

QString xmlOutput(const QList<char32_t>& chars) {
    QString out;
    for (char32_t c : chars) {
        out +=
            QStringLiteral("&#x%1;").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
    }
    // Only the hexadecimal digits are upper case.
    return out.replace(QStringLiteral("&#X"), QStringLiteral("&#x"));
}

QString xmlAttribute(const QString& text) {
    QString out = text.toHtmlEscaped();
    return out.replace(QLatin1Char('\''), QStringLiteral("&apos;"));
}

} // namespace

QString exportLayoutName() {
    return kXkbGroupName;
}

int klcScanCode(int key) {
    return key >= 0 && key < kKeyCount ? kScanCodes[static_cast<std::size_t>(key)] : -1;
}

int macKeyCode(int key) {
    return key >= 0 && key < kKeyCount ? kMacCodes[static_cast<std::size_t>(key)] : -1;
}

QString klcVirtualKeyName(int key) {
    if (key < 0 || key >= kKeyCount) {
        return {};
    }
    switch (keyTable()[static_cast<std::size_t>(key)].virtualKey) {
    case 0xC0:
        return QStringLiteral("OEM_3");
    case 0xBD:
        return QStringLiteral("OEM_MINUS");
    case 0xBB:
        return QStringLiteral("OEM_PLUS");
    case 0xDB:
        return QStringLiteral("OEM_4");
    case 0xDD:
        return QStringLiteral("OEM_6");
    case 0xDC:
        return QStringLiteral("OEM_5");
    case 0xBA:
        return QStringLiteral("OEM_1");
    case 0xDE:
        return QStringLiteral("OEM_7");
    case 0xBC:
        return QStringLiteral("OEM_COMMA");
    case 0xBE:
        return QStringLiteral("OEM_PERIOD");
    case 0xBF:
        return QStringLiteral("OEM_2");
    case 0x20:
        return QStringLiteral("SPACE");
    default:
        // Letters and digits are named by their own character.
        return QString(
            QLatin1Char(static_cast<char>(keyTable()[static_cast<std::size_t>(key)].virtualKey)));
    }
}

ExportedLayout exportKlc(const XkbKeyTexts& texts) {
    ExportedLayout result;
    const QString name = exportLayoutName();
    QStringList lines;
    lines << QStringLiteral("KBD\tzerva\t\"%1\"").arg(name) << QString()
          << QStringLiteral("COPYRIGHT\t\"(c) Zerva 2001\"") << QString()
          << QStringLiteral("COMPANY\t\"Zerva\"") << QString()
          << QStringLiteral("LOCALENAME\t\"fa-IR\"") << QString()
          << QStringLiteral("LOCALEID\t\"00000429\"") << QString() << QStringLiteral("VERSION\t1.0")
          << QString() << QStringLiteral("SHIFTSTATE") << QString()
          << QStringLiteral("0\t//Column 4") << QStringLiteral("1\t//Column 5 : Shft") << QString()
          << QStringLiteral("LAYOUT\t\t;an extra '@' at the end is a dead key") << QString()
          << QStringLiteral("//SC\tVK_\t\tCap\t0\t1")
          << QStringLiteral("//--\t----\t\t----\t----\t----") << QString();

    QStringList ligatures;
    for (int key = 0; key < kKeyCount; ++key) {
        QString row = QStringLiteral("%1\t%2\t\t0")
                          .arg(klcScanCode(key), 2, 16, QLatin1Char('0'))
                          .arg(klcVirtualKeyName(key));
        for (int level = 0; level < 2; ++level) {
            const int slot = level * kKeyCount + key;
            QList<char32_t> chars = ucs4(texts[static_cast<std::size_t>(slot)]);
            if (chars.size() > kMaxLigatureChars) {
                chars.resize(kMaxLigatureChars);
                result.shortenedSlots << slot;
            }
            if (chars.isEmpty()) {
                row += QStringLiteral("\t-1");
            } else if (chars.size() == 1) {
                row += QLatin1Char('\t') + hex4(chars.front());
            } else {
                row += QStringLiteral("\t%%");
                QString lig = QStringLiteral("%1\t%2").arg(klcVirtualKeyName(key)).arg(level);
                for (char32_t c : chars) {
                    lig += QLatin1Char('\t') + hex4(c);
                }
                ligatures << lig;
            }
        }
        lines << row;
    }
    lines << QString();
    if (!ligatures.isEmpty()) {
        lines << QStringLiteral("LIGATURE") << QString()
              << QStringLiteral("//VK_\tMod#\tChar0\tChar1\tChar2\tChar3")
              << QStringLiteral("//----\t\t----\t----\t----\t----\t----") << QString() << ligatures
              << QString();
    }
    lines << QStringLiteral("KEYNAME") << QString() << QStringLiteral("01\tEsc")
          << QStringLiteral("0e\tBackspace") << QStringLiteral("0f\tTab")
          << QStringLiteral("1c\tEnter") << QStringLiteral("1d\tCtrl")
          << QStringLiteral("2a\tShift") << QStringLiteral("36\t\"Right Shift\"")
          << QStringLiteral("38\tAlt") << QStringLiteral("39\tSpace")
          << QStringLiteral("3a\t\"Caps Lock\"") << QString() << QStringLiteral("DESCRIPTIONS")
          << QString() << QStringLiteral("0409\t%1").arg(name) << QString()
          << QStringLiteral("LANGUAGENAMES") << QString() << QStringLiteral("0409\tPersian")
          << QString() << QStringLiteral("ENDKBD") << QString();

    const QString text = lines.join(QStringLiteral("\r\n"));
    result.bytes = QByteArray("\xFF\xFE", 2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        result.bytes += static_cast<char>(u & 0xFF);
        result.bytes += static_cast<char>(u >> 8);
    }
    return result;
}

ExportedLayout exportKeylayout(const XkbKeyTexts& texts) {
    ExportedLayout result;
    QString out;
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE keyboard SYSTEM "
                          "\"file://localhost/System/Library/DTDs/KeyboardLayout.dtd\">\n");
    // The outputs, and the longest of them (maxout).
    std::array<QString, kXkbSlotCount> outputs;
    int maxout = 1;
    for (int slot = 0; slot < kXkbSlotCount; ++slot) {
        QList<char32_t> kept;
        const QList<char32_t> chars = ucs4(texts[static_cast<std::size_t>(slot)]);
        for (char32_t c : chars) {
            if (xmlChar(c) && !isControl(c)) {
                kept << c;
            }
        }
        if (kept.size() != chars.size()) {
            result.shortenedSlots << slot;
        }
        outputs[static_cast<std::size_t>(slot)] = xmlOutput(kept);
        maxout = std::max(maxout, static_cast<int>(kept.size()));
    }
    out += QStringLiteral("<keyboard group=\"126\" id=\"-20010\" name=\"%1\" maxout=\"%2\">\n")
               .arg(xmlAttribute(exportLayoutName()))
               .arg(maxout);
    out += QStringLiteral(
        "  <layouts>\n"
        "    <layout first=\"0\" last=\"255\" modifiers=\"Modifiers\" mapSet=\"ANSI\"/>\n"
        "  </layouts>\n"
        "  <modifierMap id=\"Modifiers\" defaultIndex=\"0\">\n"
        "    <keyMapSelect mapIndex=\"0\">\n"
        "      <modifier keys=\"\"/>\n"
        "      <modifier keys=\"caps\"/>\n"
        "    </keyMapSelect>\n"
        "    <keyMapSelect mapIndex=\"1\">\n"
        "      <modifier keys=\"anyShift caps?\"/>\n"
        "    </keyMapSelect>\n"
        "    <keyMapSelect mapIndex=\"2\">\n"
        "      <modifier keys=\"command anyShift? caps? anyOption? anyControl?\"/>\n"
        "    </keyMapSelect>\n"
        "  </modifierMap>\n"
        "  <keyMapSet id=\"ANSI\">\n");
    for (int map = 0; map < 3; ++map) {
        out += QStringLiteral("    <keyMap index=\"%1\">\n").arg(map);
        auto key = [&out](int code, const QString& output) {
            out += QStringLiteral("      <key code=\"%1\" output=\"%2\"/>\n").arg(code).arg(output);
        };
        for (int k = 0; k < kKeyCount; ++k) {
            QString output;
            if (map == 2) {
                // Command shortcuts see the Latin letter of the key.
                const char legend = keyTable()[static_cast<std::size_t>(k)].legend;
                output = xmlOutput(
                    {static_cast<char32_t>(QChar::fromLatin1(legend).toLower().unicode())});
            } else {
                output = outputs[static_cast<std::size_t>(map * kKeyCount + k)];
            }
            key(macKeyCode(k), output);
            if (k == 0) {
                key(kMacIsoSectionCode, output);
            }
        }
        // The keys outside the layout that type characters XML can hold.
        key(36, QStringLiteral("&#x000D;"));  // return
        key(48, QStringLiteral("&#x0009;"));  // tab
        key(117, QStringLiteral("&#x007F;")); // forward delete
        out += QStringLiteral("    </keyMap>\n");
    }
    out += QStringLiteral("  </keyMapSet>\n</keyboard>\n");
    result.bytes = out.toUtf8();
    return result;
}

ExportedLayout exportXkb(const XkbKeyTexts& texts) {
    ExportedLayout result;
    result.bytes = exportXkbSymbols(texts, XkbLevelForm::MultipleKeysyms, exportLayoutName());
    for (int slot = 0; slot < kXkbSlotCount; ++slot) {
        for (char32_t c : ucs4(texts[static_cast<std::size_t>(slot)])) {
            if (isControl(c)) {
                result.shortenedSlots << slot;
                break;
            }
        }
    }
    return result;
}

ExportedLayout exportLayout(ExportFormat format, const XkbKeyTexts& texts) {
    switch (format) {
    case ExportFormat::Klc:
        return exportKlc(texts);
    case ExportFormat::Keylayout:
        return exportKeylayout(texts);
    case ExportFormat::Xkb:
        break;
    }
    return exportXkb(texts);
}

} // namespace zerva::keyboard
