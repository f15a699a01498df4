// Installs a layout as the user's XKB symbols file and loads it into a running X session.
#pragma once

#include "keyboard/layout_reloader.h"

#include <QStringList>

namespace zerva::keyboard {

// $XDG_CONFIG_HOME/xkb/symbols, or ~/.config/xkb/symbols: where libxkbcommon looks first.
QString userXkbSymbolsDir();

struct XkbInstallOptions {
    QString symbolsDir = userXkbSymbolsDir();
    QString layoutName = kXkbLayoutName;
    QString display = qEnvironmentVariable("DISPLAY"); // empty: no X session to load into
    int timeoutMs = 15000;                             // for each tool run
};

// The X layout list with name in it: kept as it is when name is there, else name is added
// (in place of the last one when X's four groups are taken). Variants stay aligned.
struct XkbLayoutList {
    QStringList layouts;
    QStringList variants;
};
XkbLayoutList withLayout(const XkbLayoutList& current, const QString& name);

class XkbLayoutInstaller : public LayoutReloader {
public:
    XkbLayoutInstaller() = default;
    explicit XkbLayoutInstaller(XkbInstallOptions options) : m_options(std::move(options)) {}

    // Loads the layout into the X session first (when there is one), then writes the user's
    // symbols file; a failed load leaves the file as it was.
    ReloadResult reload(const XkbKeyTexts& texts) override;

    const XkbInstallOptions& options() const { return m_options; }
    QString symbolsFilePath() const;

private:
    ReloadResult loadIntoX(const XkbKeyTexts& texts) const;

    XkbInstallOptions m_options;
};

} // namespace zerva::keyboard
