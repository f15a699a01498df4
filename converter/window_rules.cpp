// The converter window's rules.
#include "converter/window_rules.h"

#include "converter/cnv_texts.h"

namespace zerva::converter {

QString selectionStatusText(int selected, int total) {
    if (selected <= 0) {
        return texts::kNoneSelected();
    }
    return QString::number(selected) + texts::kSelectedMiddle() + QString::number(total) +
           texts::kSelectedTail();
}

QStringList extentionEntries() {
    return {QStringLiteral("All regular files(*.txt;*.rtf;*.doc;*.docx;*.odt)"),
            QStringLiteral("Text documents(*.txt)"), QStringLiteral("Rich Text Format(*.rtf)"),
            QStringLiteral("Word Documents(*.doc;*.docx;*.odt)"), QStringLiteral("All files(*.*)")};
}

QStringList filePatterns(const QString& entry) {
    const qsizetype open = entry.indexOf(QLatin1Char('('));
    const qsizetype close = entry.indexOf(QLatin1Char(')'));
    if (open < 0 || close < open) {
        return {QStringLiteral("*")};
    }
    QStringList patterns;
    for (const QString& p : entry.mid(open + 1, close - open - 1).split(QLatin1Char(';'))) {
        const QString t = p.trimmed();
        // "*.*" means every file, also those without a dot in the name.
        patterns << (t == QLatin1String("*.*") ? QStringLiteral("*") : t);
    }
    return patterns;
}

QString driveRoot(const QString& entry) {
    QString root = entry;
    const qsizetype bracket = entry.indexOf(QLatin1Char('['));
    if (bracket >= 0) {
        const qsizetype blank = entry.lastIndexOf(QLatin1Char(' '), bracket);
        root = entry.left(blank >= 0 ? blank : bracket);
    }
    if (root.size() == 2 && root[1] == QLatin1Char(':')) {
        root = root.toUpper() + QLatin1Char('\\');
    }
    if (!root.endsWith(QLatin1Char('/')) && !root.endsWith(QLatin1Char('\\'))) {
        root += QLatin1Char('/');
    }
    return root;
}

DirectionState directionRules(bool twoWayTable, bool changeDirChecked) {
    DirectionState s;
    s.changeFromMsEnabled = twoWayTable;
    s.forceChangeToMs = !twoWayTable;
    s.changeDirEnabled = !twoWayTable;
    s.reorderEnabled = s.changeDirEnabled && changeDirChecked;
    return s;
}

ShortPath shortenPath(const QString& path, const QString& root, int maxWidth,
                      const std::function<int(const QString&)>& width) {
    const QChar sep = root.isEmpty() ? QLatin1Char('/') : root.back();
    const QString marker = root + QStringLiteral("...") + sep;
    ShortPath s{path, false};
    while (width(s.text) > maxWidth) {
        QString rest;
        if (s.text.startsWith(marker)) {
            rest = s.text.mid(marker.size());
        } else if (!root.isEmpty() && s.text.startsWith(root)) {
            rest = s.text.mid(root.size());
        } else {
            s.clipped = true;
            break;
        }
        const qsizetype k = rest.indexOf(sep);
        if (k < 0) {
            if (rest.isEmpty()) {
                s.clipped = true;
                break;
            }
            s.text = rest; // the last folder alone
        } else {
            s.text = marker + rest.mid(k + 1);
        }
    }
    return s;
}

namespace {

const QString kOutputKey = QStringLiteral("Software\\Zerva\\Zerva 2001\\ZervaCNV");
const QString kOutputValue = QStringLiteral("Output");
const QString kUtf8 = QStringLiteral("UTF-8");

} // namespace

TextOutput rememberedOutput(const common::SettingsStore& settings) {
    return common::RegReadString(settings, common::RegRoot::HKEY_CURRENT_USER, kOutputKey,
                                 kOutputValue) == kUtf8
               ? TextOutput::Utf8
               : TextOutput::CodePage1256;
}

bool rememberOutput(common::SettingsStore& settings, TextOutput output) {
    return settings.setString(common::RegRoot::HKEY_CURRENT_USER, kOutputKey, kOutputValue,
                              output == TextOutput::Utf8 ? kUtf8 : QStringLiteral("1256"));
}

} // namespace zerva::converter
