// frmMain: the main window of the keyboard editor. It shows the layout model as an on-screen
// keyboard with its two Shift planes and, in edit mode, the character palette; it turns
// clicks, drags, keys and the key edit dialog into the model's operations.
//
// The program builds on it: its menus go into the menu bar (QMainWindow::menuBar), its
// commands call setEditMode, EditKeyCommand and the model, and it connects helpRequested.
#pragma once

#include "keyboard/layout_model.h"
#include "keyboard/surface_rules.h"
#include "keyboard/ui/layout_undo.h"
#include "keyboard/ui/surface_button.h"

#include "common/messages.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QMenu;
class QMimeData;
class QAction;

namespace zerva::keyboard {

class frmEditKey;

class frmMain : public QMainWindow, private SurfaceHost {
    Q_OBJECT
public:
    // Starts in view mode with the base plane shown and an empty layout; the program reads the
    // system's layout into model() and clears LayoutChanged.
    explicit frmMain(common::Messenger& messenger, QWidget* parent = nullptr);
    ~frmMain() override;

    LayoutModel& model() { return m_model; }
    const LayoutModel& model() const { return m_model; }
    common::Messenger& messenger() { return m_messenger; }

    // --- Modes -------------------------------------------------------------------------------
    // Edit mode shows the palette (window 5835 twips high); view mode only the keyboard (3405).
    bool isEditMode() const { return m_editMode; }
    void setEditMode(bool edit);

    // --- The keyboard ------------------------------------------------------------------------
    // The current key: the last key that got the focus.
    int CurKey() const { return m_curKey; }
    // Gives key the focus, so that it becomes the current key.
    void focusKey(int key);
    // The plane shown, through the Shift toggles (both follow).
    bool shiftPlaneShown() const { return m_model.shiftPlaneShown(); }
    void setShiftPlaneShown(bool shift);

    // The model's operations on the plane shown, each one step of the undo history; the window
    // redraws from the model's signals.
    bool SetKey(int key, int entry);
    bool ClearKey(int key);
    // Puts a free entry on the current key and moves the focus to the next empty key.
    InsertResult InsertIntoCurrentKey(int entry);

    // --- Undo and redo ---------------------------------------------------------------------------
    // Every change the user makes to the keys is a step of this history.
    LayoutUndo& undoHistory() { return *m_undo; }

    // --- Key edit ------------------------------------------------------------------------------
    // Opens frmEditKey on the current key and places the accepted text (DirectEditKey and the
    // popup menu's btnRightEdit).
    void EditKeyCommand();
    // How the dialog is shown; exec() unless replaced (tests answer it without a modal loop).
    using EditDialogRunner = std::function<void(frmEditKey&)>;
    void setEditDialogRunner(EditDialogRunner runner) { m_runEditDialog = std::move(runner); }

    // --- Controls (also found by objectName) ---------------------------------------------------
    SurfaceButton* BtnKey(int key) const;
    SurfaceButton* cmdKey(int index) const; // 1..11
    SurfaceButton* TglBtnKeyShift(int index) const;
    SurfaceButton* BtnInsKey(int entry) const; // 0..103
    QMenu* btnRight() const { return m_btnRight; }
    QWidget* paletteArea() const { return m_paletteArea; }

    // --- Drag and drop ---------------------------------------------------------------------------
    // The MIME type of a drag of a key or a palette entry, and its data. A drag is accepted only
    // by the window it started from.
    static QString dragMimeType();
    QMimeData* makeDragData(DragRef source) const;
    std::optional<DragRef> dragSourceOf(const QMimeData* data) const;

    // Colours the keys and entries are drawn in.
    static QColor focusColour() { return {255, 255, 255}; }
    static QColor freeEntryColour() { return {255, 255, 255}; }
    static QColor dragHighlightColour() { return {128, 128, 128}; }
    QColor windowColour() const;
    QColor buttonFaceColour() const;

signals:
    // F1 was pressed: the program opens the help page.
    void helpRequested();
    void editModeChanged(bool edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SurfaceHost
    void surfaceFocusIn(SurfaceButton* b) override;
    void surfaceFocusOut(SurfaceButton* b) override;
    bool surfaceKeyPress(SurfaceButton* b, QKeyEvent* e) override;
    void surfaceRightPress(SurfaceButton* b, const QPoint& globalPos) override;
    bool surfaceDraggable(SurfaceButton* b) const override;
    void surfaceStartDrag(SurfaceButton* b) override;
    void surfaceDragEnter(SurfaceButton* b, QDragEnterEvent* e) override;
    void surfaceDragMove(SurfaceButton* b, QDragMoveEvent* e) override;
    void surfaceDragLeave(SurfaceButton* b, QDragLeaveEvent* e) override;
    void surfaceDrop(SurfaceButton* b, QDropEvent* e) override;

    void buildKeyboard(QWidget* area);
    void buildPalette(QWidget* area);
    void buildTabOrder();
    void buildPopupMenu();
    void applyModeSize();

    void drawKey(int key);
    void drawAllKeys();
    void drawEntry(int entry);
    void drawAllEntries();
    void onPlaneChanged(bool shift);
    void onToggle(int index, bool on);
    void onPaletteClicked(int entry);
    void handleNavigation(QKeyEvent* e, bool pressed);
    static DragRef refOf(const SurfaceButton* b);
    void endKeyHighlight(SurfaceButton* b);

    LayoutModel m_model;
    common::Messenger& m_messenger;
    LayoutUndo* m_undo = nullptr;
    bool m_editMode = false;
    int m_curKey = 0;
    bool m_dragJustEntered = false;
    QPoint m_dragEnterPos;
    SurfaceButton* m_highlighted = nullptr;
    QColor m_highlightSaved;

    std::array<SurfaceButton*, kKeyCount> m_keys{};
    std::array<SurfaceButton*, 12> m_fixedKeys{}; // index 0 unused
    std::array<SurfaceButton*, 2> m_toggles{};
    std::array<SurfaceButton*, kFixedEntryCount> m_entries{};
    std::array<QFrame*, 2> m_lines{};
    QWidget* m_keyboardArea = nullptr;
    QWidget* m_paletteArea = nullptr;
    QMenu* m_btnRight = nullptr;
    QAction* m_btnRightDel = nullptr;
    QAction* m_btnRightEdit = nullptr;
    EditDialogRunner m_runEditDialog;
};

} // namespace zerva::keyboard
