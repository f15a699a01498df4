// The buttons of the on-screen keyboard and the palette: drawn flat in their own background
// colour (white for the focused key or a free entry, dark grey under a drag), and passing
// their focus, key, mouse and drag events to the window that owns them.
#pragma once

#include <QColor>
#include <QPoint>
#include <QPushButton>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;

namespace zerva::keyboard {

class SurfaceButton;

// What the window does with a button's events.
class SurfaceHost {
public:
    virtual ~SurfaceHost() = default;
    virtual void surfaceFocusIn(SurfaceButton* b) = 0;
    virtual void surfaceFocusOut(SurfaceButton* b) = 0;
    // True when the event was handled and the button should not see it.
    virtual bool surfaceKeyPress(SurfaceButton* b, QKeyEvent* e) = 0;
    virtual void surfaceRightPress(SurfaceButton* b, const QPoint& globalPos) = 0;
    virtual bool surfaceDraggable(SurfaceButton* b) const = 0;
    virtual void surfaceStartDrag(SurfaceButton* b) = 0;
    virtual void surfaceDragEnter(SurfaceButton* b, QDragEnterEvent* e) = 0;
    virtual void surfaceDragMove(SurfaceButton* b, QDragMoveEvent* e) = 0;
    virtual void surfaceDragLeave(SurfaceButton* b, QDragLeaveEvent* e) = 0;
    virtual void surfaceDrop(SurfaceButton* b, QDropEvent* e) = 0;
};

class SurfaceButton : public QPushButton {
    Q_OBJECT
public:
    enum class Role { Key, FixedKey, ShiftToggle, PaletteEntry };

    SurfaceButton(Role role, int index, SurfaceHost& host, QWidget* parent);

    Role role() const { return m_role; }
    int index() const { return m_index; }

    // The text drawn on the button ("&&" shows one ampersand). Not a mnemonic: keys and
    // entries never get keyboard shortcuts from their characters.
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // Room between the drawn caption and the button's edges, in pixels.
    static constexpr int kCaptionMargin = 4;
    // The caption as drawn (a lone mark on a dotted circle, "&&" as one ampersand) and the
    // font it is drawn in: the button's own, smaller where the caption would not fit.
    QString shownText() const;
    QFont captionFont() const;

    QColor background() const { return m_background; }
    void setBackground(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    Role m_role;
    int m_index;
    SurfaceHost& m_host;
    QString m_caption;
    QColor m_background;
    QPoint m_pressPos;
    bool m_dragArmed = false;
};

} // namespace zerva::keyboard
