// The fixed palette: codes in index order, the captions that differ from the plain character,
// and the design-time tips.
#include "palette.h"

#include "common/codepage.h"

#include <algorithm>
#include <array>

namespace zerva::keyboard {

namespace {

using common::cp1256Char;
using common::fromCp1256;

// Codes of the fixed entries in index order: letters, short-vowel marks, punctuation, digits,
// direction marks and spaces, lam-alef, and the empty entry.
constexpr std::array<std::uint8_t, kFixedEntryCount> kFixedCodes = {
    199, 194, 195, 197, 193, 200, 129, 202, 203, 204, 141, 205,
    206, 207, 208, 209, 210, 142, 211, 212, 213, 214, 216, 217, // 0..23
    218, 219, 221, 222, 223, 144, 225, 227, 228, 230, 196, 229,
    201, 237, 236, 198, 248, 250, 243, 240, 245, 241, 246, 242, // 24..47
    45,  43,  42,  215, 247, 47,  37,  46,  61,  220, 124, 58,
    161, 186, 191, 44,  130, 33,  64,  35,  36,  94,  38,  96, // 48..71
    41,  40,  125, 123, 93,  91,  146, 145, 148, 147, 155, 139,
    187, 171, 48,  49,  50,  51,  52,  53,  54,  55,  56,  57, // 72..95
    254, 253, 32,  157, 158, 160, 225, 0,                      // 96..103
};

QString captionOf(int entry) {
    switch (entry) {
    case 57: // tatweel followed by a zero-width non-joiner, so the stroke shows on its own
        return QString{cp1256Char(220)} + cp1256Char(157);
    case 70: // a doubled ampersand, which a button shows as one
        return QStringLiteral("&&");
    case 96:
        return QStringLiteral("RTL");
    case 97:
        return QStringLiteral("LTR");
    case 98:
        return QStringLiteral("فاصله");
    case 99:
        return QStringLiteral("فاصلهي مجازي");
    case 100:
        return QStringLiteral("اتصال مجازي");
    case 101:
        return QStringLiteral("فاصلهي شكسته نشدني");
    case kLamAlefEntry:
        return QStringLiteral("لا");
    case kEmptyEntry:
        return {};
    default:
        return QString{cp1256Char(kFixedCodes[static_cast<std::size_t>(entry)])};
    }
}

QString codeList(const QByteArray& bytes, bool blankAfterEach) {
    QString out = tipPrefix();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0 && !blankAfterEach) {
            out += QLatin1Char(' ');
        }
        out += QString::number(static_cast<std::uint8_t>(bytes[i]));
        if (blankAfterEach) {
            out += QLatin1Char(' ');
        }
    }
    return out;
}

} // namespace

QString shownCaption(const QString& caption) {
    if (!caption.isEmpty() && caption.front().isMark()) {
        return QChar(0x25CC) + caption;
    }
    return caption;
}

QString tipPrefix() {
    return QString{QChar(0x200E)} + QLatin1Char('(') + QChar(0x200F) + QLatin1Char('(');
}

QString designTip(int entry) {
    switch (entry) {
    case 38:
        return QStringLiteral("الف مقصوره");
    case 40:
        return QStringLiteral("تشديد");
    case 41:
        return QStringLiteral("ساكن");
    case 42:
        return QStringLiteral("فتحه");
    case 43:
        return QStringLiteral("تنوين اَن");
    case 44:
        return QStringLiteral("ضمّه");
    case 45:
        return QStringLiteral("تنوين اُن");
    case 46:
        return QStringLiteral("كسره");
    case 47:
        return QStringLiteral("تنوين اِن");
    case 57:
        return QStringLiteral("اتصال كشيده");
    case 64:
        return QStringLiteral("ويرگول در نسخههاي قبل از 1.47");
    case 96:
        return QStringLiteral("راست به چپ");
    case 97:
        return QStringLiteral("چپ به راست");
    case 99:
        return QStringLiteral("VS");
    case 100:
        return QStringLiteral("VC");
    case 101:
        return QStringLiteral("NBSP");
    case kLamAlefEntry: // lam and alef
        return codeList(QByteArray("\xE1\xC7"), false);
    default:
        return {};
    }
}

PaletteEntry fixedEntry(int entry) {
    if (entry < 0 || entry >= kFixedEntryCount) {
        return {};
    }
    const std::uint8_t code = kFixedCodes[static_cast<std::size_t>(entry)];
    PaletteEntry e;
    e.caption = captionOf(entry);
    e.code = code;
    e.tip = designTip(entry);
    if (entry <= 97) {
        e.tip += tipPrefix() + QString::number(code);
    }
    if (entry == kLamAlefEntry) {
        e.text = QByteArray("\xE1\xC7");
    } else if (entry != kEmptyEntry) {
        e.text = QByteArray(1, static_cast<char>(code));
    }
    e.visible = entry != kEmptyEntry;
    return e;
}

int findFixedEntry(std::uint8_t code, int lastEntry) {
    const int last = std::min(lastEntry, kFixedEntryCount - 1);
    for (int i = 0; i <= last; ++i) {
        if (kFixedCodes[static_cast<std::size_t>(i)] == code) {
            return i;
        }
    }
    return -1;
}

PaletteEntry runtimeEntry(const QByteArray& text) {
    PaletteEntry e;
    e.caption = fromCp1256(text);
    e.code = text.isEmpty() ? 0 : static_cast<std::uint8_t>(text[0]);
    e.tip = codeList(text, true);
    e.text = text;
    e.visible = false;
    return e;
}

} // namespace zerva::keyboard
