// The suite's font: one family for every window, so screens look the same on any desktop.
#pragma once

#include <QFont>

namespace zerva::common {

// Noto Sans Arabic shapes Persian letters, ZWNJ and the Persian forms correctly.
inline const QString kSuiteFontFamily = QStringLiteral("Noto Sans Arabic");

inline QFont suiteFont(double pointSize, bool bold = false) {
    QFont font(kSuiteFontFamily);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace zerva::common
