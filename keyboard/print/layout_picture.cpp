// Drawing the layout's picture and writing it as PDF, SVG and PNG.
#include "layout_picture.h"

#include "common/codepage.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>

namespace zerva::keyboard {
namespace {

// The keyboard's outline in twips: from the backquote key to the right edge of Enter, from the
// top row to the bottom of the space bar.
constexpr double kKeyboardLeft = 240;
constexpr double kKeyboardTop = 120;
constexpr double kKeyboardWidth = 8910 - 240;
constexpr double kKeyboardHeight = 2505 - 120;

constexpr double kMargin = 0.05;    // of the page's shorter side
constexpr double kTitleBand = 0.16; // of the page's height, above the keyboard

constexpr char16_t kDottedCircle = 0x25CC;

const QString kFontFamily = QStringLiteral("Noto Sans Arabic");

QRectF twipsRect(const common::TwipsRect& r) {
    return {static_cast<double>(r.left), static_cast<double>(r.top), static_cast<double>(r.width),
            static_cast<double>(r.height)};
}

QFont fontOfHeight(double height, bool bold) {
    QFont f(kFontFamily);
    f.setPixelSize(std::max(1, static_cast<int>(height)));
    f.setBold(bold);
    return f;
}

} // namespace

QString pictureSlotText(const LayoutModel& model, int slot) {
    const int e = model.KeyMap(slot);
    if (e == kEmptyEntry) {
        return {};
    }
    const PaletteEntry& pe = model.entry(e);
    // The invisible characters by their short names, as the keys show them.
    if (e == 96 || e == 97) {
        return pe.caption; // RTL, LTR
    }
    if (e >= 99 && e <= 101) {
        return pe.tip; // VS, VC, NBSP
    }
    if (e == 98) {
        return slot % kKeyCount == kSpaceBarKey ? QString() : pe.caption;
    }
    QString text = common::fromCp1256(pe.text);
    // A combining mark alone is drawn on a dotted circle, so that it can be seen.
    if (!text.isEmpty() && (text.front().category() == QChar::Mark_NonSpacing ||
                            text.front().category() == QChar::Mark_Enclosing)) {
        text.prepend(QChar(kDottedCircle));
    }
    return text;
}

PictureContent pictureContent(const LayoutModel& model, const QDate& date) {
    PictureContent c;
    const QString label = model.sourceLabel();
    c.name =
        label == LayoutModel::systemSourceLabel() || label == LayoutModel::standardSourceLabel()
            ? label
            : QFileInfo(label).completeBaseName();
    c.date = date.toString(Qt::ISODate);
    for (int s = 0; s < kSlotCount; ++s) {
        c.texts[static_cast<std::size_t>(s)] = pictureSlotText(model, s);
    }
    return c;
}

PictureGeometry pictureGeometry(const QSizeF& page) {
    PictureGeometry g;
    const double margin = kMargin * std::min(page.width(), page.height());
    const double band = kTitleBand * page.height();
    const double width = page.width() - 2 * margin;
    const double height = page.height() - 2 * margin - band;
    g.scale = std::min(width / kKeyboardWidth, height / kKeyboardHeight);
    // The name, the date and the keyboard stand together in the middle of the page.
    const double left = margin + (width - g.scale * kKeyboardWidth) / 2;
    const double above = margin + (height - g.scale * kKeyboardHeight) / 2;
    const double top = above + band;
    g.keyboard = QRectF(left, top, g.scale * kKeyboardWidth, g.scale * kKeyboardHeight);
    g.title = QRectF(margin, above, width, band * 0.55);
    g.date = QRectF(margin, above + band * 0.55, width, band * 0.3);

    auto place = [&](const common::TwipsRect& r) {
        const QRectF t = twipsRect(r);
        return QRectF(left + (t.left() - kKeyboardLeft) * g.scale,
                      top + (t.top() - kKeyboardTop) * g.scale, t.width() * g.scale,
                      t.height() * g.scale);
    };
    for (int k = 0; k < kKeyCount; ++k) {
        g.keys[static_cast<std::size_t>(k)] = place(keyRectTwips(k));
    }
    for (int i = 1; i <= kFixedKeyCount; ++i) {
        g.fixedKeys[static_cast<std::size_t>(i - 1)] = place(fixedKeyRectTwips(i));
    }
    for (int i = 0; i < 2; ++i) {
        g.shiftKeys[static_cast<std::size_t>(i)] = place(shiftToggleRectTwips(i));
    }
    return g;
}

void paintLayoutPicture(QPainter& painter, const QSizeF& page, const PictureContent& content) {
    const PictureGeometry g = pictureGeometry(page);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(QRectF(QPointF(0, 0), page), Qt::white);

    const double keyHeight = g.keys[0].height();
    const double line = std::max(0.5, keyHeight / 40);
    const double radius = keyHeight / 10;

    painter.setPen(Qt::black);
    painter.setFont(fontOfHeight(g.title.height() * 0.6, true));
    painter.drawText(g.title, Qt::AlignCenter, content.name);
    painter.setFont(fontOfHeight(g.date.height() * 0.6, false));
    painter.drawText(g.date, Qt::AlignCenter, content.date);

    // The fixed keys: grey, with their names.
    painter.setFont(fontOfHeight(keyHeight * 0.22, true));
    auto fixedKey = [&](const QRectF& r, const QString& name) {
        painter.setPen(QPen(Qt::gray, line));
        painter.setBrush(QColor(235, 235, 235));
        painter.drawRoundedRect(r, radius, radius);
        painter.setPen(Qt::darkGray);
        painter.drawText(r, Qt::AlignCenter, name);
    };
    for (int i = 1; i <= kFixedKeyCount; ++i) {
        fixedKey(g.fixedKeys[static_cast<std::size_t>(i - 1)], fixedKeyCaption(i));
    }
    for (const QRectF& r : g.shiftKeys) {
        fixedKey(r, QStringLiteral("Shift"));
    }

    // The layout's keys: shift character above, base character below, the Latin legend small
    // in the corner.
    const QFont charFont = fontOfHeight(keyHeight * 0.32, false);
    const QFont legendFont = fontOfHeight(keyHeight * 0.16, false);
    for (int k = 0; k < kKeyCount; ++k) {
        const QRectF r = g.keys[static_cast<std::size_t>(k)];
        painter.setPen(QPen(Qt::black, line));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(r, radius, radius);
        const QRectF inner =
            r.adjusted(r.width() * 0.08, r.height() * 0.04, -r.width() * 0.08, -r.height() * 0.04);
        const QRectF upper(inner.left(), inner.top(), inner.width(), inner.height() / 2);
        const QRectF lower(inner.left(), inner.center().y(), inner.width(), inner.height() / 2);
        painter.setFont(charFont);
        painter.setPen(QColor(0, 70, 160));
        painter.drawText(upper, Qt::AlignCenter,
                         content.texts[static_cast<std::size_t>(kKeyCount + k)]);
        painter.setPen(Qt::black);
        painter.drawText(lower, Qt::AlignCenter, content.texts[static_cast<std::size_t>(k)]);
        if (k != kSpaceBarKey) {
            painter.setFont(legendFont);
            painter.setPen(Qt::gray);
            const QChar legend = QLatin1Char(keyTable()[static_cast<std::size_t>(k)].legend);
            painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom, QString(legend));
        }
    }
    painter.restore();
}

QByteArray renderLayoutPicture(PictureFormat format, const PictureContent& content) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(300);
        pdf.setTitle(content.name);
        pdf.setCreator(QStringLiteral("Zerva 2001"));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            return {};
        }
        paintLayoutPicture(painter, QSizeF(pdf.width(), pdf.height()), content);
        painter.end();
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(kPicturePngSize);
        svg.setViewBox(QRect(QPoint(0, 0), kPicturePngSize));
        svg.setTitle(content.name);
        QPainter painter;
        if (!painter.begin(&svg)) {
            return {};
        }
        paintLayoutPicture(painter, QSizeF(kPicturePngSize), content);
        painter.end();
        break;
    }
    case PictureFormat::Png: {
        QImage image(kPicturePngSize, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintLayoutPicture(painter, QSizeF(kPicturePngSize), content);
        painter.end();
        if (!image.save(&buffer, "PNG")) {
            return {};
        }
        break;
    }
    }
    return bytes;
}

} // namespace zerva::keyboard
