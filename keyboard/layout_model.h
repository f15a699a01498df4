// The layout model: 48 keys in two planes (KeyMap), the character palette, ExtraChars,
// LayoutChanged, the layout source label and the plane shown.
//
// The model makes every decision about a layout; a window draws it and calls its operations.
// Observers connect to the signals, which say precisely what changed.
#pragma once

#include "keyboard/keys.h"
#include "keyboard/palette.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace zerva::keyboard {

inline constexpr int kSlotCount = 96;  // slots 0..47 base plane, 48..95 shift plane
inline constexpr int kKeyMapSize = 97; // KeyMap(96) exists but no operation uses it
inline constexpr int kShiftPlaneBase = 48;

// What a layout file holds once its bytes are decoded: the base-plane byte of each key and the
// shift-plane text of each key (one byte, or the text of a combined key).
struct DecodedPlanes {
    std::array<std::uint8_t, kKeyCount> base{};
    std::array<QByteArray, kKeyCount> shift;
};

// Everything an edit of the keys can change: the slots 0..95 and the texts of the run-time
// entries, in palette order (a run-time entry is fully made from its text). The plane shown,
// ExtraChars (only ever appended to), KeyMap(96) and the labels are not part of it.
struct LayoutSnapshot {
    std::array<qint16, kSlotCount> keyMap{};
    std::vector<QByteArray> runtimeTexts;
    bool operator==(const LayoutSnapshot&) const = default;
};

class LayoutModel : public QObject {
    Q_OBJECT

public:
    // A fresh model: every slot 0..95 empty (103), KeyMap(96) = 0, only the fixed palette,
    // empty ExtraChars, LayoutChanged false, base plane shown, empty source label.
    explicit LayoutModel(QObject* parent = nullptr);

    // --- Slots ---------------------------------------------------------------------------
    // KeyMap(i), i = 0..96; 103 (the empty entry) for an index out of range.
    int KeyMap(int slot) const;
    const std::array<qint16, kKeyMapSize>& keyMapArray() const { return m_keyMap; }
    // The slot of a key in the plane shown: key + 48 in the shift plane, else key.
    int slotOfKey(int key) const;
    // The key whose slot is shown, or -1 when the slot belongs to the other plane.
    int keyOfShownSlot(int slot) const;
    // The entry on a key in the plane shown.
    int entryOnKey(int key) const;

    // --- The plane shown --------------------------------------------------------------------
    bool shiftPlaneShown() const { return m_shiftShown; }
    // Switching planes is not an edit: LayoutChanged is left as it is.
    void setShiftPlaneShown(bool shift);

    // --- What a key shows (plane shown) ----------------------------------------------------
    // The caption and tip of the key's entry. Entries 99..101 (the long-named spaces and
    // joiners) swap the two on every key but the space bar, so the key shows "VS" and friends.
    QString keyCaption(int key) const;
    QString keyTip(int key) const;
    // A key that holds a character can be dragged; an empty key cannot.
    bool isKeyDraggable(int key) const;
    // Where the focus goes after a character was put on key: the first empty key of the plane
    // shown from key up to 47, else from 0 up to key, else key itself.
    int nextEmptyKey(int key) const;

    // --- Palette -------------------------------------------------------------------------------
    int paletteSize() const { return static_cast<int>(m_palette.size()); }
    // The entry at index; entry 103 (the empty entry) for an index out of range.
    const PaletteEntry& entry(int index) const;
    // Used exactly while some slot 0..95 holds the entry (so a character placed on two keys
    // stays used until both are cleared).
    bool isEntryUsed(int index) const;
    // A used entry cannot be dragged or clicked into a key from the palette.
    bool isEntryFree(int index) const { return !isEntryUsed(index); }
    // Entry 102 ("لا") can be placed from the palette only while the shift plane is shown.
    bool isEntryEnabled(int index) const;

    // --- Operations ------------------------------------------------------------------------------
    // Puts entry on key in the plane shown; LayoutChanged = true. An entry already on the slot
    // is replaced without being released (ClearKey releases it). False, and no change, for a
    // bad key or entry index.
    bool SetKey(int key, int entry);
    // Empties key in the plane shown. Nothing when it is already empty (LayoutChanged is then
    // untouched). A run-time entry that no other slot holds is removed from the palette, which
    // renumbers the later run-time entries. Returns whether anything changed.
    bool ClearKey(int key);
    // Exchanges the entries of two keys in the plane shown (a key dragged onto another);
    // LayoutChanged = true. False for the same key twice or a bad index.
    bool swapKeys(int keyA, int keyB);
    // Appends a run-time entry for text (code page 1256 bytes, 1..255 of them) and returns its
    // index, the new palette size minus 1; the caller puts it on a key with SetKey. Returns -1,
    // changing nothing, for an empty or too long text or a full palette (256 entries).
    int AddPaletteEntry(const QByteArray& text);
    // The same for text shown to people; -1 also when a character has no code page 1256 byte.
    int AddPaletteEntry(const QString& text);
    // Removes run-time entry index: later entries move down one place and the slots that held
    // them follow. False, and no change, for a fixed entry, a bad index, or an entry that a slot
    // still holds.
    bool RemovePaletteEntry(int index);

    // --- ExtraChars: texts the fixed palette lacks, each as a length byte then the text ------
    const QByteArray& ExtraChars() const { return m_extraChars; }
    // The texts of ExtraChars in order (duplicates kept).
    QStringList extraCharsItems() const;
    // Appends text (1..255 bytes of code page 1256); false and no change otherwise.
    bool appendExtraChars(const QByteArray& text);

    // --- LayoutChanged ------------------------------------------------------------------------
    bool LayoutChanged() const { return m_layoutChanged; }
    void setLayoutChanged(bool changed);

    // --- Layout source label and window caption ----------------------------------------------
    QString sourceLabel() const { return m_sourceLabel; }
    void setSourceLabel(const QString& label);
    static QString systemSourceLabel(); // "فعال سيستم": the layout active in the system
    static QString standardSourceLabel(); // "صفحه كليد زروا": the product's standard layout
    static QString programName(); // "مبدل صفحه كليد فارسي", the program's own name
    static QString programTitle(); // the caption of the main window without its label
    // programTitle(), " - " and the label.
    QString windowCaption() const;

    // --- Replacing the whole layout -------------------------------------------------------------
    // What the layout file reader does once a file has been accepted: discards every run-time
    // entry, empties slots 0..95 and fills them from planes. A byte or a one-byte text becomes
    // the first fixed entry with its code; the shift text "لا" becomes entry 102; anything
    // else gets a new run-time entry and is appended to ExtraChars (base plane first, then
    // shift plane, each in key order). KeyMap(96), ExtraChars' earlier contents, the source
    // label and the plane shown are kept; LayoutChanged becomes true (callers clear it).
    // Emits layoutReplaced() instead of per-slot signals. Returns false, changing nothing,
    // if a shift text is empty or longer than 255 bytes.
    bool replaceLayout(const DecodedPlanes& planes);

    // Every slot 0..95 as the texts they stand for, the form the writer encodes.
    DecodedPlanes planes() const;

    // --- Undo and redo -----------------------------------------------------------------------
    LayoutSnapshot snapshot() const;
    // Puts the slots and run-time entries of a snapshot back, reporting each key and entry that
    // changed through slotChanged and entryUsedChanged; LayoutChanged = true when anything
    // changed. False, changing nothing, for a snapshot that is not a valid layout.
    bool restore(const LayoutSnapshot& snapshot);

signals:
    // KeyMap(slot) changed (by SetKey, ClearKey, swapKeys or a renumbering).
    void slotChanged(int slot);
    // An entry went from free to used or back.
    void entryUsedChanged(int index, bool used);
    // A run-time entry was appended at index.
    void entryAdded(int index);
    // The run-time entry at index was removed; the entries after it moved down one place.
    void entryRemoved(int index);
    void planeChanged(bool shiftShown);
    void layoutChangedChanged(bool changed);
    void extraCharsChanged();
    void sourceLabelChanged(const QString& label);
    // The whole layout was replaced (a file was read): redraw every key and palette entry.
    void layoutReplaced();

private:
    bool validKey(int key) const { return key >= 0 && key < kKeyCount; }
    int useCount(int index) const;
    // Writes one slot and reports what changed.
    void writeSlot(int slot, int entry);

    std::array<qint16, kKeyMapSize> m_keyMap{};
    std::vector<PaletteEntry> m_palette;
    QByteArray m_extraChars;
    bool m_layoutChanged = false;
    bool m_shiftShown = false;
    QString m_sourceLabel;
};

} // namespace zerva::keyboard
