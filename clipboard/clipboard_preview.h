// The preview the window shows: the start of the clipboard's text as it is and as the chosen
// table and direction would make it, so that the user sees what a press would do.
#pragma once

#include "clipboard_service.h"
#include "clipboard_table.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zerva::clipboard {

// At most this many lines of the text, each cut to this many characters.
inline constexpr int kPreviewLines = 2;
inline constexpr int kPreviewLineLength = 80;

// The first kPreviewLines lines of text that hold more than blanks, joined by line feeds;
// a longer line ends in "…", tabs and other control characters become blanks.
QString previewExcerpt(const QString& text);

struct ClipboardPreview {
    QString before;
    QString after;
    bool operator==(const ClipboardPreview&) const = default;
};

// The preview of the clipboard's data: its text's excerpt before and after conversion with
// table (nothing: the table could not be read, and after says so). Without text (an empty
// clipboard, RTF alone, a clipboard that cannot be read) before says there is no plain text
// and after is empty.
ClipboardPreview makePreview(const std::optional<ClipboardData>& data,
                             const std::optional<ClipboardTable>& table);

} // namespace zerva::clipboard
