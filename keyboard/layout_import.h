// Starting a layout from one installed on the system: the list of the system's XKB layouts
// (its evdev.xml), and putting the characters of such a layout into the model. The system's
// keymaps themselves are read by a platform service (SystemLayouts).
#pragma once

#include "keyboard/layout_model.h"
#include "keyboard/xkb_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zerva::keyboard {

// One layout of the system's list: a layout (variant empty) or one of its variants.
struct SystemLayoutName {
    QString name;        // "ir"
    QString variant;     // "pes_keypad", or empty for the layout itself
    QString description; // "Persian", "Persian (with Persian keypad)"
    bool operator==(const SystemLayoutName&) const = default;
};

// The layouts and variants of an XKB rules list (evdev.xml), in its order, each layout
// followed by its variants.
std::vector<SystemLayoutName> parseXkbLayoutList(const QByteArray& xml);

// Where the system keeps that list.
QString systemLayoutListPath();

// "ir" or "ir(pes_keypad)" as a name and a variant; nothing for a malformed text.
std::optional<SystemLayoutName> parseSystemLayoutName(const QString& text);
// The reverse: "ir" or "ir(pes_keypad)".
QString systemLayoutText(const SystemLayoutName& layout);

// The system's keymaps.
class SystemLayouts {
public:
    virtual ~SystemLayouts() = default;
    // What the 48 keys type on the two levels of the layout; nothing when the system has no
    // such layout.
    virtual std::optional<XkbKeyTexts> keyTexts(const SystemLayoutName& layout) = 0;
};

// Puts a system layout's characters into the model, as reading a file does (the history of
// edits and LayoutChanged follow the same way). Persian yeh and keheh and Persian digits go in
// as the code page's letters and digits, ligatures such as lam-alef as their letters; a
// character the layout file still cannot hold leaves its slot empty and is returned, once
// each, in the order met. The base plane holds one character: a longer text leaves it empty.
QStringList importKeyTexts(LayoutModel& model, const XkbKeyTexts& texts);

// The notice listing those characters.
QString importUnrepresentableMessage(const QStringList& characters);
// The notice for a layout the system does not have.
QString importNotFoundMessage(const QString& name);

// The source label of an imported layout: where it came from. Saving it asks for a file.
QString importedSourceLabel(const SystemLayoutName& layout);
bool isImportedSourceLabel(const QString& label);

} // namespace zerva::keyboard
