// The decisions of the editing surface: placing a palette entry on the current key, what a
// drag may enter and what a drop does, and the key edit dialog's checks and placements.
//
// The window translates clicks, drags and dialogs into these calls and draws the model after.
#pragma once

#include "keyboard/layout_model.h"

#include "common/messages.h"

#include <QString>
#include <QStringList>

namespace zerva::keyboard {

// --- Placing a palette entry ------------------------------------------------------------------

enum class InsertOutcome {
    Placed,      // the entry is on the key; focus goes to focusKey
    Unavailable, // the entry is used (or disabled): nothing happens
    KeyNotEmpty, // the key holds a character: the user was told, nothing changed
};

struct InsertResult {
    InsertOutcome outcome = InsertOutcome::Unavailable;
    int focusKey = -1; // where the focus goes when placed: the next empty key of the plane shown
};

// Puts a free palette entry on curKey in the plane shown. A key holding a character is never
// overwritten this way; the user is asked to pick an empty key instead.
InsertResult InsertIntoCurrentKey(LayoutModel& model, int curKey, int entry,
                                  common::Messenger& messenger);

// A click on a used palette entry: the notice that the character is already on a key and that
// the key edit dialog puts it on a second one.
void reportEntryInUse(common::Messenger& messenger);

QString keyNotEmptyMessage();
QString entryInUseMessage();

// --- Drag and drop ------------------------------------------------------------------------------

// What is being dragged, and where it is dropped: a key (BtnKey) or a palette entry (BtnInsKey).
enum class SurfaceItem { Key, PaletteEntry };

struct DragRef {
    SurfaceItem kind = SurfaceItem::Key;
    int index = -1;
    bool operator==(const DragRef&) const = default;
};

// Whether a drag entering target may be dropped there (it is then accepted and, on a key,
// highlighted). A key accepts any other key or entry in edit mode, never itself and nothing in
// view mode; a palette entry accepts keys (to empty them) and its own drag (a click).
bool acceptsDrag(const LayoutModel& model, DragRef source, DragRef target, bool editMode);

struct DropResult {
    bool changed = false; // the layout changed
    int focusKey = -1;    // key that takes the focus afterwards, -1 for none
};

// The whole effect of a drop of source on target:
//  - entry on key: the key's character goes back to the palette, then the entry is placed and
//    the focus moves to the next empty key;
//  - key on key (edit mode, different keys): the two keys exchange their characters;
//  - key on palette: the key is emptied;
//  - entry on its own palette button with justEntered (pressed and released without moving):
//    the same as a click, InsertIntoCurrentKey on curKey;
//  - anything else: nothing.
DropResult applyDrop(LayoutModel& model, DragRef source, DragRef target, bool editMode,
                     bool justEntered, int curKey, common::Messenger& messenger);

// --- Key edit dialog
// ------------------------------------------------------------------------------

// The text the dialog opens with for key: the shown caption for an empty key, lam-alef, the
// long-named spaces and run-time entries; otherwise the entry's single character.
QString editKeyStartText(const LayoutModel& model, int key);

// The combined keys the dialog offers: "لا" first, then the texts of ExtraChars in order.
QStringList editKeyChoices(const LayoutModel& model);

enum class EditCheck {
    Ok,
    Unchanged, // the text the dialog was opened with
    Empty,
    OneCharOnly,   // base plane: one character only
    OneOrTwoChars, // shift plane: one or two characters
    NotEncodable,  // a character the layout file cannot hold (no code page 1256 byte)
};

// Persian yeh and keheh (ی ک) as the code page 1256 letters ي and ك, and Persian and
// Arabic-Indic digits as ASCII digits: what a layout file holds for them. Installing turns
// them back when the Persian letters setting is on.
QString foldToCodePageLetters(const QString& text);
// The one-line notice shown when the dialog stored a text so folded.
QString foldedLettersNotice();

// The dialog's checks on OK, in order; the first that fails names the message. The text is
// taken folded (foldToCodePageLetters).
EditCheck checkEditedKey(const QString& text, const QString& openedWith, bool multiCharAllowed);
QString editCheckMessage(EditCheck check);

// After an accepted OK: a text not among the choices is appended to ExtraChars.
void rememberEditedText(LayoutModel& model, const QString& text);

enum class EditApplyOutcome {
    Placed,     // the key holds the text
    Nothing,    // empty result (cancelled): the key is as it was
    Impossible, // no entry could be made for the text: the key is as it was
};

// Puts the dialog's result on key in the plane shown: a single character goes to the first
// entry 0..99 with its code (even one already on another key) or a new run-time entry; "لا"
// goes to entry 102; any other pair of characters to a new run-time entry. The old character
// is released first. When no entry can be made (a full palette, an unencodable character) the
// key is left untouched.
EditApplyOutcome applyEditedKey(LayoutModel& model, int key, const QString& text);

// The left edge of the dialog asked to open at leftBox: moved left when its right edge would
// pass rightBox (the main window's right edge). Screen pixels, so no size of screen overflows.
int editDialogLeft(int leftBox, int rightBox, int dialogWidth);

} // namespace zerva::keyboard
