// Installs a layout as the user's own XKB layout and makes it the active one of a running X
// session.
#pragma once

#include "keyboard/layout_reloader.h"

#include <QStringList>

namespace zerva::keyboard {

// $XDG_CONFIG_HOME/xkb, or ~/.config/xkb: the user's XKB folder, where libxkbcommon looks
// first (symbols/, rules/).
QString userXkbConfigDir();
QString userXkbSymbolsDir();
// $XCOMPOSEFILE where it is set, else ~/.XCompose: the Compose file X programs read.
QString userComposeFile();

// The X display to load a layout into: DISPLAY, except in a Wayland session, whose X server
// (Xwayland) takes its keymap from the compositor.
QString defaultXDisplay();

// The group-switch option added when the user has none: Alt+Shift.
inline const QString kDefaultGroupSwitch = QStringLiteral("grp:alt_shift_toggle");

struct XkbInstallOptions {
    QString configDir = userXkbConfigDir();
    QString composeFile = userComposeFile();
    QString layoutName = kXkbLayoutName;
    QString display = defaultXDisplay(); // empty: no X session to load into
    QString groupSwitch = kDefaultGroupSwitch;
    int timeoutMs = 15000; // for each tool run
};

// What an X session's keyboard is made of, as setxkbmap -query shows it.
struct XkbLayoutList {
    QString rules;
    QString model;
    QStringList layouts;
    QStringList variants;
    QStringList options;
};

// "rules: evdev", "layout: us,ir", "variant: ,pes", "options: grp:..." lines.
XkbLayoutList parseXkbQuery(const QByteArray& text);

// The X layout list with name in it: kept as it is when name is there, else name is added
// (in place of the last one when X's four groups are taken). Variants stay aligned.
XkbLayoutList withLayout(const XkbLayoutList& current, const QString& name);

// The options with a way to switch groups: the user's own group-switch option is kept; when
// there is none, fallback is added.
QStringList withGroupSwitch(const QStringList& options, const QString& fallback);

class XkbLayoutInstaller : public LayoutReloader {
public:
    XkbLayoutInstaller() = default;
    explicit XkbLayoutInstaller(XkbInstallOptions options) : m_options(std::move(options)) {}

    // Prepares every file of the user's (symbols, rules, registry, Compose) beside its place,
    // loads the layout into the X session when there is one and makes it the active group,
    // then puts the files in place. A failed load changes no file.
    ReloadResult reload(const XkbKeyTexts& texts) override;

    const XkbInstallOptions& options() const { return m_options; }
    QString symbolsFilePath() const;
    QString rulesFilePath() const;
    QString rulesXmlFilePath() const;

private:
    ReloadResult loadIntoX(const XkbKeyTexts& texts) const;

    XkbInstallOptions m_options;
};

} // namespace zerva::keyboard
