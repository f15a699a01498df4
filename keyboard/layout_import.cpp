// The system's layout list and importing a system layout's characters.
#include "layout_import.h"

#include "common/codepage.h"
#include "keyboard/surface_rules.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace zerva::keyboard {
namespace {

const QString kImportedPrefix = QStringLiteral("صفحه كليد سيستم: ");

// The lam-alef ligatures (U+FEF5..U+FEFC) as the two letters they are made of, the form a
// combined key holds.
QString unligated(const QString& text) {
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        out += u >= 0xFEF5 && u <= 0xFEFC ? QString(c).normalized(QString::NormalizationForm_KC)
                                          : QString(c);
    }
    return out;
}

} // namespace

std::vector<SystemLayoutName> parseXkbLayoutList(const QByteArray& xml) {
    std::vector<SystemLayoutName> list;
    QXmlStreamReader r(xml);
    QStringList path; // open elements
    SystemLayoutName item;
    QString layoutName;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            path << r.name().toString();
            continue;
        }
        if (r.isEndElement()) {
            const QString closing = path.takeLast();
            if (closing != QStringLiteral("configItem")) {
                continue;
            }
            if (!path.isEmpty() &&
                (path.last() == QStringLiteral("layout") ||
                 path.last() == QStringLiteral("variant")) &&
                path.contains(QStringLiteral("layoutList"))) {
                if (path.last() == QStringLiteral("layout")) {
                    layoutName = item.name;
                    list.push_back({item.name, QString(), item.description});
                } else {
                    list.push_back({layoutName, item.name, item.description});
                }
            }
            item = {};
            continue;
        }
        if (r.isCharacters() && path.size() >= 2 &&
            path.at(path.size() - 2) == QStringLiteral("configItem")) {
            if (path.last() == QStringLiteral("name")) {
                item.name += r.text().toString().trimmed();
            } else if (path.last() == QStringLiteral("description")) {
                item.description += r.text().toString().trimmed();
            }
        }
    }
    return list;
}

QString systemLayoutListPath() {
    return QStringLiteral("/usr/share/X11/xkb/rules/evdev.xml");
}

std::optional<SystemLayoutName> parseSystemLayoutName(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^([A-Za-z0-9_-]+)(?:\\(([A-Za-z0-9_-]+)\\))?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return SystemLayoutName{m.captured(1), m.captured(2), QString()};
}

QString systemLayoutText(const SystemLayoutName& layout) {
    return layout.variant.isEmpty()
               ? layout.name
               : layout.name + QLatin1Char('(') + layout.variant + QLatin1Char(')');
}

QStringList importKeyTexts(LayoutModel& model, const XkbKeyTexts& texts) {
    QStringList lost;
    DecodedPlanes planes;
    for (int slot = 0; slot < kXkbSlotCount; ++slot) {
        QByteArray bytes;
        bool fits = true;
        // Persian yeh, keheh and digits as the forms a layout file holds for them.
        const QString text =
            foldToCodePageLetters(unligated(texts[static_cast<std::size_t>(slot)]));
        for (uint c : text.toUcs4()) {
            const std::optional<std::uint8_t> b = c == 0 ? std::nullopt : common::cp1256Byte(c);
            if (!b) {
                fits = false;
                const char32_t ch = c;
                const QString shown = QString::fromUcs4(&ch, 1);
                if (!lost.contains(shown)) {
                    lost << shown;
                }
                continue;
            }
            bytes += static_cast<char>(*b);
        }
        const int key = slot % kKeyCount;
        if (slot < kKeyCount && fits && bytes.size() > 1) {
            // The base plane holds one character.
            const QString text = unligated(texts[static_cast<std::size_t>(slot)]);
            if (!lost.contains(text)) {
                lost << text;
            }
        }
        if (slot < kKeyCount) {
            // The base plane holds one character.
            planes.base[static_cast<std::size_t>(key)] =
                fits && bytes.size() == 1 ? static_cast<std::uint8_t>(bytes[0]) : 0;
        } else {
            planes.shift[static_cast<std::size_t>(key)] =
                fits && !bytes.isEmpty() && bytes.size() <= kMaxEntryTextLength
                    ? bytes
                    : QByteArray(1, '\0');
        }
    }
    model.replaceLayout(planes);
    return lost;
}

QString importUnrepresentableMessage(const QStringList& characters) {
    QStringList shown;
    for (const QString& c : characters) {
        // A mark alone on a dotted circle; the code point isolated left to right.
        QString item = c;
        if (!c.isEmpty() && c.front().category() == QChar::Mark_NonSpacing) {
            item.prepend(QChar(0x25CC));
        }
        QStringList codes;
        for (uint u : c.toUcs4()) {
            codes << QStringLiteral("U+") +
                         QStringLiteral("%1").arg(u, 4, 16, QLatin1Char('0')).toUpper();
        }
        shown << item + QLatin1Char(' ') + QChar(0x2066) + codes.join(QLatin1Char(' ')) +
                     QChar(0x2069);
    }
    return QStringLiteral("اين حروف در صفحه كليد جاي ندارند و كليد آنها خالي ماند:") +
           QLatin1Char('\n') + shown.join(QStringLiteral("، "));
}

QString importNotFoundMessage(const QString& name) {
    return QStringLiteral("صفحه كليد %1 در سيستم پيدا نشد.").arg(name);
}

QString importedSourceLabel(const SystemLayoutName& layout) {
    return kImportedPrefix + systemLayoutText(layout);
}

bool isImportedSourceLabel(const QString& label) {
    return label.startsWith(kImportedPrefix);
}

} // namespace zerva::keyboard
