// The printable picture of a layout: every key where it stands on the keyboard, showing its
// shift character above its base character as on printed key stickers, with the layout's
// name and the date. One page holds both planes.
#pragma once

#include "keyboard/keys.h"
#include "keyboard/layout_model.h"
#include "keyboard/ui/surface_geometry.h"

#include <QDate>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>

class QPainter;

namespace zerva::keyboard {

// What the picture shows.
struct PictureContent {
    QString name; // the layout's name: the file name, or the label of the system's or standard
    QString date; // when it was drawn
    // What each slot shows (keys 0..47 base, then shift): the character, a mark on a dotted
    // circle, or a short name for an invisible character; empty for an empty slot.
    std::array<QString, kSlotCount> texts;
};

PictureContent pictureContent(const LayoutModel& model, const QDate& date);

// The text a slot shows on paper.
QString pictureSlotText(const LayoutModel& model, int slot);

// Where everything stands on a page of the given size (any unit; the picture scales to it).
struct PictureGeometry {
    QRectF title;     // the layout's name
    QRectF date;      // the date, under the name
    QRectF keyboard;  // the outline of all keys
    double scale = 0; // page units per twip
    std::array<QRectF, kKeyCount> keys;
    std::array<QRectF, kFixedKeyCount> fixedKeys; // cmdKey 1..11 at 0..10
    std::array<QRectF, 2> shiftKeys;
};

PictureGeometry pictureGeometry(const QSizeF& page);

// Draws the picture into painter's device, filling a page of the given size.
void paintLayoutPicture(QPainter& painter, const QSizeF& page, const PictureContent& content);

// The files of the picture: a PDF page (A4 landscape), an SVG drawing and a PNG image.
enum class PictureFormat { Pdf, Svg, Png };

// The PNG image's size: A4 landscape at 150 dots per inch.
inline constexpr QSize kPicturePngSize{1754, 1240};

// The file's bytes; empty when drawing failed.
QByteArray renderLayoutPicture(PictureFormat format, const PictureContent& content);

} // namespace zerva::keyboard
