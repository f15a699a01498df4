// The user's own XKB and Compose files that make an installed layout known: pure text work,
// so that the installer only reads, stages and writes.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zerva::keyboard {

// The user's rules file when there is none: the system's evdev rules, included whole, so that
// libxkbcommon resolves every system layout and option besides the user's own.
QByteArray xkbUserRules();

// The user's evdev.xml with the layout described in it, so that settings programs built on
// libxkbcommon's registry list it. existing: the file as it is, or nothing when there is none.
// Nothing comes back when the file need not change (the layout is there already) or cannot
// be extended safely (no registry element in it): the file is then left alone.
std::optional<QByteArray> xkbRulesXmlWithLayout(const std::optional<QByteArray>& existing,
                                                const QString& name, const QString& description);

// The user's Compose file with the program's block of sequences in it. A new file includes the
// locale's own sequences ("%L") first; an existing one keeps every line of the user's, and the
// program's block, marked by two comment lines, is replaced or appended. Nothing comes back
// when nothing needs writing (no sequences and no file, or no change).
std::optional<QByteArray> composeFileWithSequences(const std::optional<QByteArray>& existing,
                                                   const QByteArray& sequences);

} // namespace zerva::keyboard
