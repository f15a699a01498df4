// RunConversion: converts the selected files of the source folder into the destination
// folder, one after the other, each by its extension (converter/convert_file.h), and asks
// the user to retry, skip or stop when one fails. The Word documents of a run go to the
// engine together: they are put in place after the other files.
#pragma once

#include "common/messages.h"
#include "converter/conversion_table.h"
#include "converter/convert_file.h"
#include "converter/word_engine.h"

#include <QString>

namespace zerva::converter {

// The window's choices for one run.
struct RunSettings {
    QString sourceFolder;
    QString destinationFolder;
    bool overwrite = false; // the check box Replace
    QString tableFolder;    // InstallPath: ZERVACNV.INI and the table files
    int tableNumber = 1;    // n of TABLE<n>.INI
    Direction direction = Direction::ToMs;
    Reorder reorder = Reorder::None;
    TextOutput output = TextOutput::CodePage1256; // of text files
};

// What a run sees of the window: the file list and the status line.
class RunWindow {
public:
    virtual ~RunWindow() = default;
    virtual int fileCount() const = 0;
    virtual QString fileName(int index) const = 0;
    virtual bool isSelected(int index) const = 0;
    // The file is being converted: the status line shows text in the busy colour and is
    // repainted at once.
    virtual void ShowBusy(int index, const QString& text) = 0;
    // The file is converted: it leaves the selection and the status line its busy colour.
    virtual void ShowDone(int index) = 0;
    // The status line leaves its busy colour without a file being done.
    virtual void ShowIdle() = 0;
};

enum class RunOutcome {
    Finished,               // every file was tried; the closing notice was shown
    Stopped,                // the user stopped the run after a failure
    NeedsOverwrite,         // source and destination are one folder and Replace is off
    TableFailed,            // the table could not be loaded (told); the program must end
    DestinationNotWritable, // told; nothing converted
};

// The status line while a file is converted: the quoted name, then its number among the
// files of the run and their count.
QString busyStatusText(const QString& name, int number, int count);

// True when both paths name one folder (after making them absolute and clean, and resolving
// links where the folders exist).
bool sameFolder(const QString& a, const QString& b);

RunOutcome RunConversion(const RunSettings& settings, RunWindow& window, WordService& word,
                         common::Messenger& messenger);

} // namespace zerva::converter
