// The text file converters: conversion only, conversion with right-to-left line reordering,
// and conversion with left-to-right reordering of Persian runs. All of them stream the
// source in bounded buffers (memory does not grow with the file) and write the destination
// through the suite's atomic writer, so a failure leaves the destination as it was.
// Results never depend on the buffer sizes.
#pragma once

#include "common/messages.h"
#include "common/source_file.h"
#include "converter/conversion_table.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zerva::converter {

// What the text converters write: code page 1256 bytes, or UTF-8 (towards code page 1256
// only), each unit giving its Unicode text (the table's [Unicode] text where it has one, its
// code page 1256 result decoded elsewhere). No byte order mark; line ends as converted. The
// right-to-left and left-to-right walks put the units' code page 1256 bytes in the same order
// in both outputs; with UTF-8 each byte writes its share of its unit's Unicode text (the
// character of the same place when the text has as many characters as the unit has bytes,
// otherwise the whole text at the unit's first byte), so a table without [Unicode] gives its
// code page 1256 output decoded. A unit that code page 1256 drops but that has a Unicode
// text goes with the walks as one neutral character.
enum class TextOutput { CodePage1256, Utf8 };

struct ConvertOptions {
    static constexpr qsizetype kDefaultChunkSize = 256 * 1024;
    static constexpr qsizetype kDefaultSpillThreshold = 1024 * 1024;

    // Bytes read from the source at a time.
    qsizetype chunkSize = kDefaultChunkSize;
    // Bytes of one line (right-to-left) or one Persian run (left-to-right) kept in memory;
    // longer ones move to a private temporary file.
    qsizetype spillThreshold = kDefaultSpillThreshold;
    // Folder of that temporary file; empty for the system's temporary folder.
    QString tempFolder;
    // When set, receives (added to its value) the number of source characters that had no
    // counterpart in the target encoding (bytes a table marks so, from code page 1256).
    qint64* noCounterpart = nullptr;
    TextOutput output = TextOutput::CodePage1256;
    // Runs the plain loops instead of the vector kernels (same results; tests compare them).
    // A build with ZERVA_PORTABLE_LOOPS runs them by default, for measuring what the vector
    // kernels gain.
#if defined(ZERVA_PORTABLE_LOOPS)
    bool portableLoops = true;
#else
    bool portableLoops = false;
#endif
};

enum class ConvertStatus {
    Success,
    SourceUnreadable,       // the source cannot be opened
    SourceNotRegular,       // the source is a FIFO, a device or a folder: refused unread
    SourceChanged,          // the source changed while it was converted
    DestinationUncreatable, // the destination (or its temporary file) cannot be created
    ReadFailed,             // reading the source or a work file failed midway
    WriteFailed,            // the destination could not be written or put in place
};

inline bool succeeded(ConvertStatus s) {
    return s == ConvertStatus::Success;
}

// What opening a source gave, as a conversion status.
ConvertStatus sourceStatus(common::SourceError error);

// Converts byte by byte: a matched pair entry yields its target, any other byte its entry
// (dropped, out1, or out1 then out2). An empty source gives an empty destination.
// Only a write failure is told to the user (through the messenger); every other failure is
// returned for the caller to report.
ConvertStatus ConvertTextFile(const QString& source, const QString& destination,
                              const ConversionTable& table, common::Messenger& messenger,
                              const ConvertOptions& options = {});

// Converts (a byte of kind 2 gives out2 then out1) and reorders every line for right-to-left
// display. A line ends with the unit (one source byte, or the two of a matched pair) whose
// first source byte is a line feed or carriage return; its content is walked from its end
// with the Persian flag set at the start of every line, runs of Latin characters keeping
// their order, and the converted line end follows unchanged. A last line without a line end
// gets none. Lines of any length work.
ConvertStatus ConvertTextFileRtl(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options = {});

// Converts (a byte of kind 2 gives out2 then out1, everywhere) and reverses every run of
// Persian characters in place for left-to-right display; runs continue across chunks.
ConvertStatus ConvertTextFileLtr(const QString& source, const QString& destination,
                                 const ConversionTable& table, common::Messenger& messenger,
                                 const ConvertOptions& options = {});

// Converts and puts every line into logical order: the line, taken as a right-to-left
// paragraph in display order (as programs that stored text as it was shown wrote it), is
// reordered by the inverse of the Unicode bidirectional algorithm (numbers as left-to-right
// text), working on the units' Unicode text. A unit of two characters keeps them in reading
// order, and a mirrored character (a bracket) in a right-to-left run is turned back. With
// code page 1256 output each unit then writes its code page 1256 bytes. The line end follows
// its line; a line longer than kLogicalPiece units is reordered in pieces of that many.
ConvertStatus ConvertTextFileLogical(const QString& source, const QString& destination,
                                     const ConversionTable& table, common::Messenger& messenger,
                                     const ConvertOptions& options = {});

inline constexpr qsizetype kLogicalPiece = 64 * 1024;

// The same conversions of bytes in memory, into out (replaced); the same results as the
// file converters give for a file holding in.
ConvertStatus ConvertTextBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                               const ConvertOptions& options = {});
ConvertStatus ConvertTextBytesRtl(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                                  const ConvertOptions& options = {});
ConvertStatus ConvertTextBytesLtr(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                                  const ConvertOptions& options = {});
ConvertStatus ConvertTextBytesLogical(QByteArrayView in, QByteArray& out,
                                      const ConversionTable& table,
                                      const ConvertOptions& options = {});

} // namespace zerva::converter
