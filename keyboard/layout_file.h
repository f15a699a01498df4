// Keyboard layout files (.kbd and the system's KBDA1.KBD): decoding, reading into the layout
// model with the user's questions, and writing the model back.
//
// A file is a 306-byte header (copied from the standard image, with its data size), the base
// plane, the shift plane and its copy (48 bytes each), the 48-byte legend row, then a table of
// combined keys (shift-plane texts of several characters) ending in two zero bytes.
#pragma once

#include "common/atomic_file.h"

#include "keyboard/layout_model.h"

#include "common/messages.h"

#include <QByteArray>
#include <QString>

namespace zerva::keyboard {

inline constexpr int kHeaderSize = 306;
inline constexpr int kBasePlaneOffset = 306;
inline constexpr int kShiftPlaneOffset = 354;
inline constexpr int kShiftCopyOffset = 402;
inline constexpr int kLegendRowOffset = 450;
inline constexpr int kTableOffset = 498;
inline constexpr int kMinLayoutFileSize = 500;     // a file without combined keys
inline constexpr int kMaxLayoutFileSize = 32767;   // longer files are refused
inline constexpr int kDataSizeOffset = 12;         // 16-bit: file length minus 28
inline constexpr int kSpaceVirtualKeyOffset = 285; // any value accepted when reading

// How a file's bytes decoded.
enum class DecodeStatus {
    Ok,
    TooShort,      // under 500 bytes
    TooLong,       // over 32,767 bytes
    BrokenTable,   // the combined-key table does not end where the length says
    UnknownLegend, // a combined key names a legend character the legend row lacks
    TextTooLong,   // a combined key of more than 255 characters
};

struct DecodeResult {
    DecodeStatus status = DecodeStatus::Ok;
    bool headerMatches = false; // the header equals the expected one (byte 285 aside)
    DecodedPlanes planes;       // valid when status is Ok
};

// Decodes a whole file without touching any model. Only the first state-2 copy of each
// combined key counts; its state-10 twin and every other entry are skipped.
DecodeResult decodeLayoutFile(const QByteArray& bytes);

// The header a file of this length must have: the standard header with its data size.
QByteArray expectedHeader(qsizetype fileLength);

// The file bytes of a layout: standard header and legend row, the planes of the model, and one
// pair of table entries (state bytes 2 and 10) for every combined key of the shift plane, in
// key order. Empty when the layout would not fit in a file (over 32,767 bytes).
QByteArray encodeLayout(const LayoutModel& model);

// What ReadLayoutFile did.
enum class ReadOutcome {
    Read,     // the model now holds the file's layout
    Declined, // the header differed and the user answered No
    Refused,  // the file was rejected with a message
};

// Reads the file at path into model. Every refusal and the No answer leave the model exactly
// as it was. The user is told what was wrong through messenger:
//  - a file shorter than 500 bytes, longer than 32,767 bytes, or whose combined-key table is
//    damaged: the message that the file is broken and cannot be corrected;
//  - a file that cannot be opened or read: a message naming the file;
//  - a header that differs from the expected one: the question whether to read on (Yes reads
//    the planes and the table as if the header were right, No stops).
// After a read LayoutChanged is true; callers set the source label and clear LayoutChanged.
// Reading works in either plane and leaves the plane shown as it was.
ReadOutcome ReadLayoutFile(LayoutModel& model, const QString& path, common::Messenger& messenger);

// The same for bytes already in memory (the standard image, say).
ReadOutcome readLayoutBytes(LayoutModel& model, const QByteArray& bytes,
                            common::Messenger& messenger);

// What went wrong is in error, for the caller to report; empty when ok.
using WriteResult = common::WriteOutcome;
// Writes bytes to path the same safe way (used for the standard image).
using common::writeFileAtomically;

// Writes the model's layout to path through the suite's atomic writer, so a failure (a full
// disk, say) leaves any old file intact. Never changes the model, LayoutChanged or the source
// label, and shows no message.
WriteResult WriteLayoutFile(const LayoutModel& model, const QString& path);

} // namespace zerva::keyboard
