// The service that makes the system take up an installed layout.
#pragma once

#include "keyboard/xkb_export.h"

#include <QString>

namespace zerva::keyboard {

struct ReloadResult {
    enum Status {
        Loaded,            // written, and loaded into the running session
        Written,           // written; no session to load it into (no display, no tools)
        WriteFailed,       // nothing was changed: the old layout is still in place
        SessionLoadFailed, // written, but the running session did not take it up
    };
    Status status = WriteFailed;
    QString detail; // what failed, in the tools' own words (for a log, not for the user)

    bool ok() const { return status == Loaded || status == Written; }
};

// The real one writes an XKB symbols file and loads it into an X session
// (keyboard/platform); tests use a fake.
class LayoutReloader {
public:
    virtual ~LayoutReloader() = default;
    // Installs the layout whose slots type these texts and makes the system reload it.
    virtual ReloadResult reload(const XkbKeyTexts& texts) = 0;
};

} // namespace zerva::keyboard
