// The main window's keyboard, palette, drag and drop, key edit command and navigation.
#include "frm_main.h"

#include "keyboard/navigation.h"
#include "keyboard/ui/frm_edit_key.h"
#include "keyboard/ui/surface_geometry.h"

#include "common/ui/fonts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalBlocker>

namespace zerva::keyboard {

namespace {

// The palette stands below this line of the client area; its area is hidden in view mode.
constexpr int kPaletteAreaTopTwips = 3000;

QString keyLegendName(int key) {
    if (key == kSpaceBarKey) {
        return QStringLiteral("Space");
    }
    return QString(QLatin1Char(keyTable()[static_cast<std::size_t>(key)].legend));
}

// The drag image while nothing accepts the drop: a "no entry" sign.
QPixmap noDropPixmap() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 0, 0), 4));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(4, 4, 24, 24));
    p.drawLine(QPointF(8.5, 23.5), QPointF(23.5, 8.5));
    return pm;
}

// The drag image over a place that accepts the drop: a plain outline.
QPixmap outlinePixmap() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(4, 4, 23, 23);
    return pm;
}

int modifierBits(Qt::KeyboardModifiers m) {
    int bits = 0;
    bits |= m.testFlag(Qt::ShiftModifier) ? kModShift : 0;
    bits |= m.testFlag(Qt::ControlModifier) ? kModCtrl : 0;
    bits |= m.testFlag(Qt::AltModifier) ? kModAlt : 0;
    return bits;
}

// The physical key of an event as a virtual-key code: the key's position where the platform
// tells it (so the layout active in the system does not matter), else the key it typed.
int virtualKeyOf(const QKeyEvent* e) {
    int vk = 0;
    if (QGuiApplication::platformName() == QLatin1String("windows")) {
        vk = static_cast<int>(e->nativeVirtualKey());
    } else if (e->nativeScanCode() != 0) {
        vk = virtualKeyFromX11Keycode(e->nativeScanCode());
    }
    return vk != 0 ? vk : virtualKeyFromQtKey(e->key());
}

} // namespace

frmMain::frmMain(common::Messenger& messenger, QWidget* parent)
    : QMainWindow(parent), m_messenger(messenger) {
    setObjectName(QStringLiteral("frmMain"));
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(m_model.windowCaption());
    m_undo = new LayoutUndo(m_model, this);

    m_keyboardArea = new QWidget(this);
    m_keyboardArea->setObjectName(QStringLiteral("keyboardArea"));
    setCentralWidget(m_keyboardArea);
    buildKeyboard(m_keyboardArea);
    buildPalette(m_keyboardArea);
    buildTabOrder();
    buildPopupMenu();

    connect(&m_model, &LayoutModel::slotChanged, this, [this](int slot) {
        const int key = m_model.keyOfShownSlot(slot);
        if (key >= 0) {
            drawKey(key);
        }
    });
    connect(&m_model, &LayoutModel::entryUsedChanged, this,
            [this](int entry, bool) { drawEntry(entry); });
    connect(&m_model, &LayoutModel::entryRemoved, this, [this](int) { drawAllKeys(); });
    connect(&m_model, &LayoutModel::planeChanged, this, &frmMain::onPlaneChanged);
    connect(&m_model, &LayoutModel::layoutReplaced, this, [this] {
        drawAllKeys();
        drawAllEntries();
    });
    connect(&m_model, &LayoutModel::sourceLabelChanged, this,
            [this] { setWindowTitle(m_model.windowCaption()); });

    m_runEditDialog = [](frmEditKey& dialog) { dialog.exec(); };

    // The window's size follows its client area and the menu bar the program adds.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    drawAllKeys();
    drawAllEntries();
    applyModeSize();
}

frmMain::~frmMain() {
    // The buttons call back into this window (focus leaving them as they go): they must go
    // while it is still whole.
    delete takeCentralWidget();
    delete m_undo;
}

void frmMain::buildKeyboard(QWidget* area) {
    const QFont keyFont = common::suiteFont(9.75, true);
    QFont fixedFont(QStringLiteral("Arial"));
    fixedFont.setPointSizeF(9.75);
    fixedFont.setBold(true);

    for (int k = 0; k < kKeyCount; ++k) {
        auto* b = new SurfaceButton(SurfaceButton::Role::Key, k, *this, area);
        b->setObjectName(QStringLiteral("BtnKey_%1").arg(k));
        b->setFont(keyFont);
        b->setGeometry(toPixels(keyRectTwips(k)));
        b->installEventFilter(this);
        m_keys[static_cast<std::size_t>(k)] = b;
    }
    for (int i = 1; i <= kFixedKeyCount; ++i) {
        auto* b = new SurfaceButton(SurfaceButton::Role::FixedKey, i, *this, area);
        b->setObjectName(QStringLiteral("cmdKey_%1").arg(i));
        b->setFont(fixedFont);
        b->setCaption(fixedKeyCaption(i));
        b->setAccessibleName(fixedKeyCaption(i));
        b->setGeometry(toPixels(fixedKeyRectTwips(i)));
        b->installEventFilter(this);
        m_fixedKeys[static_cast<std::size_t>(i)] = b;
    }
    for (int i = 0; i < 2; ++i) {
        auto* b = new SurfaceButton(SurfaceButton::Role::ShiftToggle, i, *this, area);
        b->setObjectName(QStringLiteral("TglBtnKeyShift_%1").arg(i));
        b->setFont(fixedFont);
        b->setCaption(QStringLiteral("Shift"));
        b->setAccessibleName(QStringLiteral("Shift"));
        b->setGeometry(toPixels(shiftToggleRectTwips(i)));
        b->installEventFilter(this);
        connect(b, &QPushButton::toggled, this, [this, i](bool on) { onToggle(i, on); });
        m_toggles[static_cast<std::size_t>(i)] = b;
    }
    for (int i = 0; i < 2; ++i) {
        auto* line = new QFrame(area);
        line->setObjectName(QStringLiteral("Line1_%1").arg(i));
        line->setFrameShape(QFrame::NoFrame);
        line->setAutoFillBackground(true);
        QPalette pal = line->palette();
        pal.setColor(QPalette::Window, i == 0 ? QColor(128, 128, 128) : QColor(255, 255, 255));
        line->setPalette(pal);
        const int left = common::twipsToPixels(kLineLeftTwips);
        line->setGeometry(left, common::twipsToPixels(kLineTopTwips[i]),
                          common::twipsToPixels(kLineRightTwips) - left, 1);
        m_lines[static_cast<std::size_t>(i)] = line;
    }
}

void frmMain::buildPalette(QWidget* area) {
    const int top = common::twipsToPixels(kPaletteAreaTopTwips);
    m_paletteArea = new QWidget(area);
    m_paletteArea->setObjectName(QStringLiteral("paletteArea"));
    m_paletteArea->setGeometry(0, top, common::twipsToPixels(kClientWidthTwips),
                               common::twipsToPixels(kEditModeHeightTwips - kWindowChromeTwips) -
                                   top);
    const QFont font = common::suiteFont(9.75, true);
    for (int e = 0; e < kFixedEntryCount; ++e) {
        auto* b = new SurfaceButton(SurfaceButton::Role::PaletteEntry, e, *this, m_paletteArea);
        b->setObjectName(QStringLiteral("BtnInsKey_%1").arg(e));
        b->setFont(font);
        b->setGeometry(toPixels(paletteRectTwips(e)).translated(0, -top));
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, e] { onPaletteClicked(e); });
        m_entries[static_cast<std::size_t>(e)] = b;
    }
}

void frmMain::buildTabOrder() {
    std::vector<QWidget*> order;
    auto keys = [&](int from, int to) {
        for (int k = from; k <= to; ++k) {
            order.push_back(BtnKey(k));
        }
    };
    keys(0, 12);
    order.push_back(cmdKey(1));
    order.push_back(cmdKey(2));
    keys(13, 25);
    order.push_back(cmdKey(3));
    keys(26, 36);
    order.push_back(cmdKey(4));
    order.push_back(TglBtnKeyShift(0));
    keys(37, 46);
    order.push_back(TglBtnKeyShift(1));
    order.push_back(cmdKey(5));
    order.push_back(cmdKey(6));
    order.push_back(cmdKey(7));
    order.push_back(BtnKey(kSpaceBarKey));
    for (int i = 8; i <= 11; ++i) {
        order.push_back(cmdKey(i));
    }
    for (int e = 0; e <= 101; ++e) {
        order.push_back(BtnInsKey(e));
    }
    order.push_back(BtnInsKey(kEmptyEntry));
    order.push_back(BtnInsKey(kLamAlefEntry));
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void frmMain::buildPopupMenu() {
    m_btnRight = new QMenu(this);
    m_btnRight->setObjectName(QStringLiteral("btnRight"));
    m_btnRight->setLayoutDirection(Qt::RightToLeft);
    m_btnRightDel = m_btnRight->addAction(QStringLiteral("          حذف"));
    m_btnRightDel->setObjectName(QStringLiteral("btnRightDel"));
    m_btnRightEdit = m_btnRight->addAction(QStringLiteral("ويرايش كليد"));
    m_btnRightEdit->setObjectName(QStringLiteral("btnRightEdit"));
    connect(m_btnRightDel, &QAction::triggered, this, [this] { ClearKey(m_curKey); });
    connect(m_btnRightEdit, &QAction::triggered, this, &frmMain::EditKeyCommand);
}

SurfaceButton* frmMain::BtnKey(int key) const {
    return key >= 0 && key < kKeyCount ? m_keys[static_cast<std::size_t>(key)] : nullptr;
}

SurfaceButton* frmMain::cmdKey(int index) const {
    return index >= 1 && index <= kFixedKeyCount ? m_fixedKeys[static_cast<std::size_t>(index)]
                                                 : nullptr;
}

SurfaceButton* frmMain::TglBtnKeyShift(int index) const {
    return index == 0 || index == 1 ? m_toggles[static_cast<std::size_t>(index)] : nullptr;
}

SurfaceButton* frmMain::BtnInsKey(int entry) const {
    return entry >= 0 && entry < kFixedEntryCount ? m_entries[static_cast<std::size_t>(entry)]
                                                  : nullptr;
}

QColor frmMain::windowColour() const {
    return palette().color(QPalette::Window);
}

QColor frmMain::buttonFaceColour() const {
    return palette().color(QPalette::Button);
}

// --- Modes --------------------------------------------------------------------------------------

void frmMain::setEditMode(bool edit) {
    if (edit == m_editMode) {
        return;
    }
    m_editMode = edit;
    applyModeSize();
    emit editModeChanged(edit);
}

void frmMain::applyModeSize() {
    m_paletteArea->setVisible(m_editMode);
    // The lines part the keyboard from the palette; without the palette they would run along
    // the window's bottom edge.
    for (QFrame* line : m_lines) {
        line->setVisible(m_editMode);
    }
    const int height = m_editMode ? kEditModeHeightTwips : kViewModeHeightTwips;
    m_keyboardArea->setFixedSize(common::twipsToPixels(kClientWidthTwips),
                                 common::twipsToPixels(height - kWindowChromeTwips));
    if (layout() != nullptr) {
        layout()->activate();
    }
    adjustSize();
}

// --- Drawing ------------------------------------------------------------------------------------

void frmMain::drawKey(int key) {
    SurfaceButton* b = BtnKey(key);
    if (b == nullptr) {
        return;
    }
    const QString caption = m_model.keyCaption(key);
    b->setCaption(caption);
    b->setToolTip(m_model.keyTip(key));
    b->setAccessibleName(keyLegendName(key) + QLatin1Char(' ') + caption);
    b->setAccessibleDescription(m_model.keyTip(key));
}

void frmMain::drawAllKeys() {
    for (int k = 0; k < kKeyCount; ++k) {
        drawKey(k);
    }
}

void frmMain::drawEntry(int entry) {
    SurfaceButton* b = BtnInsKey(entry);
    if (b == nullptr) {
        return; // run-time entries are never shown
    }
    const PaletteEntry& pe = m_model.entry(entry);
    b->setCaption(pe.caption);
    b->setToolTip(pe.tip);
    b->setAccessibleName(pe.caption);
    b->setBackground(m_model.isEntryUsed(entry) ? windowColour() : freeEntryColour());
    b->setEnabled(m_model.isEntryEnabled(entry));
    b->setVisible(pe.visible);
}

void frmMain::drawAllEntries() {
    for (int e = 0; e < kFixedEntryCount; ++e) {
        drawEntry(e);
    }
}

// --- Planes -------------------------------------------------------------------------------------

void frmMain::setShiftPlaneShown(bool shift) {
    m_toggles[0]->setChecked(shift);
}

void frmMain::onToggle(int index, bool on) {
    // Both Shift keys always show the same state; the left one decides the plane.
    SurfaceButton* other = m_toggles[static_cast<std::size_t>(1 - index)];
    {
        const QSignalBlocker block(other);
        other->setChecked(on);
    }
    m_model.setShiftPlaneShown(on);
}

void frmMain::onPlaneChanged(bool shift) {
    for (SurfaceButton* t : m_toggles) {
        const QSignalBlocker block(t);
        t->setChecked(shift);
    }
    drawAllKeys();
    drawEntry(kLamAlefEntry);
}

// --- The current key and the focus --------------------------------------------------------------

void frmMain::focusKey(int key) {
    SurfaceButton* b = BtnKey(key);
    if (b == nullptr) {
        return;
    }
    // The bookkeeping runs at once, even while the window is not active and so gets no focus
    // event; the focus event repeats it harmlessly.
    surfaceFocusIn(b);
    b->setFocus(Qt::OtherFocusReason);
}

void frmMain::surfaceFocusIn(SurfaceButton* b) {
    switch (b->role()) {
    case SurfaceButton::Role::Key:
        BtnKey(m_curKey)->setBackground(windowColour());
        b->setBackground(focusColour());
        m_curKey = b->index();
        break;
    case SurfaceButton::Role::FixedKey:
    case SurfaceButton::Role::ShiftToggle:
        b->setBackground(focusColour());
        break;
    case SurfaceButton::Role::PaletteEntry:
        // In view mode the palette is out of sight: Tab and Shift+Tab stay on the keyboard.
        if (!m_editMode && b->index() == 0) {
            focusKey(0);
        } else if (!m_editMode && b->index() == 101) {
            cmdKey(kFixedKeyCount)->setFocus(Qt::TabFocusReason);
        }
        break;
    }
}

void frmMain::surfaceFocusOut(SurfaceButton* b) {
    if (b->role() != SurfaceButton::Role::PaletteEntry) {
        b->setBackground(buttonFaceColour());
    }
}

// --- Placing characters -------------------------------------------------------------------------

bool frmMain::SetKey(int key, int entry) {
    return m_undo->edit(LayoutUndo::placeText(), [&] { return m_model.SetKey(key, entry); });
}

bool frmMain::ClearKey(int key) {
    return m_undo->edit(LayoutUndo::clearText(), [&] { return m_model.ClearKey(key); });
}

InsertResult frmMain::InsertIntoCurrentKey(int entry) {
    const InsertResult r = m_undo->edit(LayoutUndo::placeText(), [&] {
        return keyboard::InsertIntoCurrentKey(m_model, m_curKey, entry, m_messenger);
    });
    if (r.outcome == InsertOutcome::Placed) {
        focusKey(r.focusKey);
    }
    return r;
}

void frmMain::onPaletteClicked(int entry) {
    // A free entry clicked (pressed and released without moving, or activated from the
    // keyboard) goes to the current key; a used one explains how to place it again.
    if (m_model.isEntryUsed(entry)) {
        reportEntryInUse(m_messenger);
    } else {
        InsertIntoCurrentKey(entry);
    }
}

bool frmMain::surfaceKeyPress(SurfaceButton* b, QKeyEvent* e) {
    if (b->role() == SurfaceButton::Role::Key && e->key() == Qt::Key_Delete) {
        ClearKey(b->index());
        return true;
    }
    if (b->role() == SurfaceButton::Role::PaletteEntry && e->key() == Qt::Key_Insert) {
        InsertIntoCurrentKey(b->index());
        return true;
    }
    return false;
}

void frmMain::surfaceRightPress(SurfaceButton* b, const QPoint& globalPos) {
    if (b->role() != SurfaceButton::Role::Key || !m_editMode) {
        return;
    }
    focusKey(b->index());
    m_btnRight->popup(globalPos);
}

// --- Drag and drop ------------------------------------------------------------------------------

QString frmMain::dragMimeType() {
    return QStringLiteral("application/x-zerva-keyboard-item");
}

namespace {

QByteArray ownerTag(const frmMain* w) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(reinterpret_cast<quintptr>(w), 16);
}

} // namespace

QMimeData* frmMain::makeDragData(DragRef source) const {
    auto* data = new QMimeData;
    const QByteArray kind = source.kind == SurfaceItem::Key ? "key" : "entry";
    data->setData(dragMimeType(),
                  ownerTag(this) + ' ' + kind + ' ' + QByteArray::number(source.index));
    return data;
}

std::optional<DragRef> frmMain::dragSourceOf(const QMimeData* data) const {
    if (data == nullptr || !data->hasFormat(dragMimeType())) {
        return std::nullopt;
    }
    const QList<QByteArray> parts = data->data(dragMimeType()).split(' ');
    if (parts.size() != 3 || parts[0] != ownerTag(this)) {
        return std::nullopt;
    }
    bool ok = false;
    const int index = parts[2].toInt(&ok);
    if (!ok) {
        return std::nullopt;
    }
    if (parts[1] == "key") {
        return DragRef{SurfaceItem::Key, index};
    }
    if (parts[1] == "entry") {
        return DragRef{SurfaceItem::PaletteEntry, index};
    }
    return std::nullopt;
}

DragRef frmMain::refOf(const SurfaceButton* b) {
    return {b->role() == SurfaceButton::Role::Key ? SurfaceItem::Key : SurfaceItem::PaletteEntry,
            b->index()};
}

bool frmMain::surfaceDraggable(SurfaceButton* b) const {
    if (b->role() == SurfaceButton::Role::Key) {
        return m_model.isKeyDraggable(b->index());
    }
    if (b->role() == SurfaceButton::Role::PaletteEntry) {
        const int e = b->index();
        return e != kEmptyEntry && m_model.isEntryFree(e) && m_model.isEntryEnabled(e);
    }
    return false;
}

void frmMain::surfaceStartDrag(SurfaceButton* b) {
    auto* drag = new QDrag(b);
    drag->setMimeData(makeDragData(refOf(b)));
    drag->setDragCursor(noDropPixmap(), Qt::IgnoreAction);
    drag->setDragCursor(outlinePixmap(), Qt::MoveAction);
    drag->exec(Qt::MoveAction);
    if (m_highlighted != nullptr) {
        endKeyHighlight(m_highlighted);
    }
}

void frmMain::endKeyHighlight(SurfaceButton* b) {
    if (b == m_highlighted && b != nullptr) {
        b->setBackground(m_highlightSaved);
        m_highlighted = nullptr;
    }
}

void frmMain::surfaceDragEnter(SurfaceButton* b, QDragEnterEvent* e) {
    const std::optional<DragRef> source = dragSourceOf(e->mimeData());
    if (!source) {
        e->ignore();
        return;
    }
    const DragRef target = refOf(b);
    if (target.kind == SurfaceItem::PaletteEntry) {
        m_dragJustEntered = true;
        m_dragEnterPos = e->position().toPoint();
    } else if (*source == target) {
        // A press on a key that holds a character starts a drag at once: it still selects it.
        focusKey(b->index());
    }
    if (!acceptsDrag(m_model, *source, target, m_editMode)) {
        e->ignore();
        return;
    }
    if (target.kind == SurfaceItem::Key) {
        if (m_highlighted != nullptr) {
            endKeyHighlight(m_highlighted);
        }
        m_highlighted = b;
        m_highlightSaved = b->background();
        b->setBackground(dragHighlightColour());
    }
    e->setDropAction(Qt::MoveAction);
    e->accept();
}

void frmMain::surfaceDragMove(SurfaceButton* b, QDragMoveEvent* e) {
    const std::optional<DragRef> source = dragSourceOf(e->mimeData());
    if (!source || !acceptsDrag(m_model, *source, refOf(b), m_editMode)) {
        e->ignore();
        return;
    }
    if (b->role() == SurfaceButton::Role::PaletteEntry &&
        e->position().toPoint() != m_dragEnterPos) {
        m_dragJustEntered = false;
    }
    e->setDropAction(Qt::MoveAction);
    e->accept();
}

void frmMain::surfaceDragLeave(SurfaceButton* b, QDragLeaveEvent*) {
    endKeyHighlight(b);
}

void frmMain::surfaceDrop(SurfaceButton* b, QDropEvent* e) {
    endKeyHighlight(b);
    const std::optional<DragRef> source = dragSourceOf(e->mimeData());
    if (!source) {
        e->ignore();
        return;
    }
    const DragRef target = refOf(b);
    const QString step = source->kind == SurfaceItem::PaletteEntry ? LayoutUndo::placeText()
                         : target.kind == SurfaceItem::Key         ? LayoutUndo::moveText()
                                                                   : LayoutUndo::clearText();
    const DropResult r = m_undo->edit(step, [&] {
        return applyDrop(m_model, *source, target, m_editMode, m_dragJustEntered, m_curKey,
                         m_messenger);
    });
    m_dragJustEntered = false;
    if (r.focusKey >= 0) {
        focusKey(r.focusKey);
    }
    e->setDropAction(Qt::MoveAction);
    e->accept();
}

// --- Key edit -----------------------------------------------------------------------------------

void frmMain::EditKeyCommand() {
    const int key = m_curKey;
    SurfaceButton* b = BtnKey(key);
    frmEditKey dialog(m_model, m_messenger, this);
    // Just below the key, at its left, never past the main window's right edge.
    const QPoint keyTopLeft = b->mapToGlobal(QPoint(0, 0));
    const QRect frame = frameGeometry();
    dialog.Arg(editKeyStartText(m_model, key), m_model.shiftPlaneShown(),
               keyTopLeft.y() + b->height() + common::twipsToPixels(30), keyTopLeft.x(),
               frame.x() + frame.width());
    m_runEditDialog(dialog);
    const EditApplyOutcome applied = m_undo->edit(LayoutUndo::editKeyText(), [&] {
        return applyEditedKey(m_model, key, dialog.dialogResult());
    });
    if (applied == EditApplyOutcome::Impossible) {
        m_messenger.MsgBox(editCheckMessage(EditCheck::NotEncodable), common::kOkOnly, QString());
    }
}

// --- Keyboard navigation ------------------------------------------------------------------------

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        handleNavigation(static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyPress);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::handleNavigation(QKeyEvent* e, bool pressed) {
    const int vk = virtualKeyOf(e);
    const int mods = effectiveModifiers(vk, modifierBits(e->modifiers()), pressed);
    const bool toggleOn = m_toggles[0]->isChecked() || m_toggles[1]->isChecked();
    const NavigationAction a =
        pressed ? navigationKeyDown(vk, mods, toggleOn) : navigationKeyUp(vk, mods);
    if (a.shiftPlane) {
        setShiftPlaneShown(*a.shiftPlane);
    }
    if (a.openHelp) {
        emit helpRequested();
    }
    if (a.focusKey >= 0) {
        focusKey(a.focusKey);
    }
}

} // namespace zerva::keyboard
