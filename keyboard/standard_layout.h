// The standard layout image: the product's own layout, compiled into the program.
#pragma once

#include <QByteArray>
#include <QStringView>

namespace zerva::keyboard {

// Size in bytes of the standard image.
inline constexpr int kStandardImageSize = 528;

// The 528 bytes of the standard layout file. Its header (first 306 bytes) and legend row
// (bytes 450..497) are the fixed parts of every layout file the writer emits.
QByteArray standardLayoutImage();

// The bytes of a resource of the program, one byte per character, in order. The only resource
// is the standard layout, name "STANDARD" of type "KBD" (letter case ignored); any other name
// gives an empty array.
QByteArray LoadResourceText(QStringView name, QStringView type);

} // namespace zerva::keyboard
