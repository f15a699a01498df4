// Drawing and event forwarding of the keyboard's and the palette's buttons.
#include "surface_button.h"

#include "keyboard/palette.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace zerva::keyboard {

SurfaceButton::SurfaceButton(Role role, int index, SurfaceHost& host, QWidget* parent)
    : QPushButton(parent), m_role(role), m_index(index), m_host(host),
      m_background(palette().color(QPalette::Button)) {
    setLayoutDirection(Qt::RightToLeft);
    // Focus by Tab and by the left button only (below): a right click leaves the focus alone.
    setFocusPolicy(Qt::TabFocus);
    setAcceptDrops(role == Role::Key || role == Role::PaletteEntry);
    setCheckable(role == Role::ShiftToggle);
}

void SurfaceButton::setCaption(const QString& caption) {
    if (caption == m_caption) {
        return;
    }
    m_caption = caption;
    update();
}

void SurfaceButton::setBackground(const QColor& colour) {
    if (colour == m_background) {
        return;
    }
    m_background = colour;
    update();
}

QString SurfaceButton::shownText() const {
    return shownCaption(m_caption).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

QFont SurfaceButton::captionFont() const {
    // The palette's wide entries ("فاصلهي شكسته نشدني") fill their buttons edge to edge at the
    // button's size: the caption shrinks in steps until it fits between the margins.
    constexpr double kSmallest = 6.0;
    constexpr double kStep = 0.25;
    QFont f = font();
    const QString text = shownText();
    const int room = width() - 2 * kCaptionMargin;
    while (f.pointSizeF() > kSmallest && QFontMetrics(f).horizontalAdvance(text) > room) {
        f.setPointSizeF(f.pointSizeF() - kStep);
    }
    return f;
}

void SurfaceButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, m_background);
    // A raised bevel, sunken while pressed or latched.
    const bool sunken = isDown() || isChecked();
    const QColor light = sunken ? QColor(64, 64, 64) : QColor(255, 255, 255);
    const QColor dark = sunken ? QColor(255, 255, 255) : QColor(64, 64, 64);
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.setFont(captionFont());
    QRect text = r.adjusted(1, 1, -1, -1);
    if (sunken) {
        text.translate(1, 1);
    }
    p.drawText(text, Qt::AlignCenter, shownText());
    if (hasFocus()) {
        QPen pen(Qt::black, 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

void SurfaceButton::focusInEvent(QFocusEvent* e) {
    QPushButton::focusInEvent(e);
    m_host.surfaceFocusIn(this);
}

void SurfaceButton::focusOutEvent(QFocusEvent* e) {
    QPushButton::focusOutEvent(e);
    m_host.surfaceFocusOut(this);
}

void SurfaceButton::keyPressEvent(QKeyEvent* e) {
    if (m_host.surfaceKeyPress(this, e)) {
        return;
    }
    QPushButton::keyPressEvent(e);
}

void SurfaceButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) {
        m_host.surfaceRightPress(this, e->globalPosition().toPoint());
        return;
    }
    if (e->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
    }
    m_dragArmed = e->button() == Qt::LeftButton && m_host.surfaceDraggable(this);
    m_pressPos = e->position().toPoint();
    QPushButton::mousePressEvent(e);
}

void SurfaceButton::mouseMoveEvent(QMouseEvent* e) {
    if (m_dragArmed && (e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - m_pressPos).manhattanLength() >=
            QApplication::startDragDistance()) {
        m_dragArmed = false;
        // The press became a drag: it is not a click any more.
        setDown(false);
        m_host.surfaceStartDrag(this);
        return;
    }
    QPushButton::mouseMoveEvent(e);
}

void SurfaceButton::mouseReleaseEvent(QMouseEvent* e) {
    m_dragArmed = false;
    QPushButton::mouseReleaseEvent(e);
}

void SurfaceButton::dragEnterEvent(QDragEnterEvent* e) {
    m_host.surfaceDragEnter(this, e);
}

void SurfaceButton::dragMoveEvent(QDragMoveEvent* e) {
    m_host.surfaceDragMove(this, e);
}

void SurfaceButton::dragLeaveEvent(QDragLeaveEvent* e) {
    m_host.surfaceDragLeave(this, e);
}

void SurfaceButton::dropEvent(QDropEvent* e) {
    m_host.surfaceDrop(this, e);
}

} // namespace zerva::keyboard
