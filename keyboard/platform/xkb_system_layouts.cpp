// Reads the two levels of the 48 keys of an installed XKB layout.
#include "xkb_system_layouts.h"

#include <xkbcommon/xkbcommon.h>

#include <memory>

namespace zerva::keyboard {

std::optional<XkbKeyTexts> XkbSystemLayouts::keyTexts(const SystemLayoutName& layout) {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    if (!context) {
        return std::nullopt;
    }
    const QByteArray name = layout.name.toUtf8();
    const QByteArray variant = layout.variant.toUtf8();
    xkb_rule_names names{};
    names.rules = "evdev";
    names.model = "pc105";
    names.layout = name.constData();
    names.variant = variant.constData();
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    if (!keymap) {
        return std::nullopt;
    }
    XkbKeyTexts texts;
    for (int key = 0; key < kXkbKeyCount; ++key) {
        const xkb_keycode_t code =
            xkb_keymap_key_by_name(keymap.get(), xkbKeyName(key).toLatin1().constData());
        if (code == XKB_KEYCODE_INVALID) {
            continue;
        }
        for (int level = 0; level < 2; ++level) {
            const xkb_keysym_t* syms = nullptr;
            const int n = xkb_keymap_key_get_syms_by_level(
                keymap.get(), code, 0, static_cast<xkb_level_index_t>(level), &syms);
            QString text;
            for (int i = 0; i < n; ++i) {
                const char32_t c = xkb_keysym_to_utf32(syms[i]);
                if (c != 0) {
                    text += QString::fromUcs4(&c, 1);
                }
            }
            texts[static_cast<std::size_t>(level * kXkbKeyCount + key)] = text;
        }
    }
    return texts;
}

} // namespace zerva::keyboard
