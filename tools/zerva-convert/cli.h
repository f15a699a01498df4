// The zerva-convert command line: parsing and running, apart from main() so tests can call it.
#pragma once

#include "converter/convert_file.h"

#include <QString>
#include <QStringList>

#include <variant>

namespace zerva::converter::cli {

enum class Mode {
    Help,
    List,          // --list: the table list with numbers and directions
    Files,         // FILE... into --out DIR
    ClipboardText, // --clipboard-text IN OUT
    ClipboardRtf,  // --clipboard-rtf IN OUT
};

struct Options {
    Mode mode = Mode::Files;
    QString tableFolder; // empty: the installation folder from the settings store
    int table = 0;       // 1-based number of TABLE<n>.INI; 0 when not given
    bool fromMs = false;
    Reorder reorder = Reorder::None;
    bool utf8 = false; // text files written as UTF-8 (towards code page 1256)
    QString outFolder;
    QStringList paths; // the files to convert, or IN and OUT of a clipboard mode
};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // a table failure or a failed file
inline constexpr int kExitUsage = 2;

QString usageText();

// The options, or the text of a usage error. args excludes the program name.
std::variant<Options, QString> parseArguments(const QStringList& args);

// Runs the parsed command; Word documents go through word. Messages go to standard error.
// Returns the exit code.
int run(const Options& options, WordService& word);

} // namespace zerva::converter::cli
