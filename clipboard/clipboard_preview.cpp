// The clipboard preview: an excerpt of the text, converted as a press would convert it.
#include "clipboard_preview.h"

#include "clipboard_rules.h"
#include "clipboard_texts.h"

namespace zerva::clipboard {

namespace {

struct Line {
    QString text; // at most kPreviewLineLength characters
    bool cut = false;
};

// The first lines that hold more than blanks.
std::vector<Line> firstLines(const QString& text) {
    std::vector<Line> lines;
    qsizetype start = 0;
    while (static_cast<int>(lines.size()) < kPreviewLines && start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') &&
               text[end] != QLatin1Char('\r')) {
            ++end;
        }
        const qsizetype length = end - start;
        const QString line = text.mid(start, std::min<qsizetype>(length, kPreviewLineLength));
        if (!line.trimmed().isEmpty()) {
            lines.push_back({line, length > kPreviewLineLength});
        }
        start = end + 1;
    }
    return lines;
}

QString joined(const std::vector<Line>& lines) {
    QStringList out;
    for (const Line& l : lines) {
        QString line = l.text;
        for (QChar& c : line) {
            if (c.category() == QChar::Other_Control) {
                c = QLatin1Char(' ');
            }
        }
        out << (l.cut ? line + QChar(0x2026) : line);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

QString previewExcerpt(const QString& text) {
    return joined(firstLines(text));
}

ClipboardPreview makePreview(const std::optional<ClipboardData>& data,
                             const std::optional<ClipboardTable>& table) {
    const std::vector<Line> lines =
        data && data->text ? firstLines(*data->text) : std::vector<Line>{};
    if (lines.empty()) {
        return {texts::kPreviewNoText(), QString()};
    }
    if (!table) {
        return {joined(lines), texts::kPreviewNoTable()};
    }
    std::vector<Line> converted;
    for (const Line& l : lines) {
        converted.push_back({convertText(*table, l.text), l.cut});
    }
    return {joined(lines), joined(converted)};
}

} // namespace zerva::clipboard
