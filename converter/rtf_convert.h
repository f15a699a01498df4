// The RTF converter: converts the text of an RTF file through the conversion table and copies
// every other byte unchanged.
#pragma once

#include "common/messages.h"
#include "converter/conversion_table.h"
#include "converter/text_convert.h"

#include <QString>

namespace zerva::converter {

// The document is read as RTF (common/rtf_text.h), twice: first for its fonts and header,
// then to convert it. Escapes \'hh are read with digits of either case and written in lower
// case; two escapes that form a pair entry become one; a malformed escape is copied
// unchanged; an escaped backslash never starts one. A \uN whose character the font of its run
// has as a byte (code page 1252 for \fcharset0, and so on) is converted as that byte written
// \'hh would be, its fallback going with it; other \uN stay as they are, fallback and all.
// Nothing is converted in the font table or in a group of list numbering (\level...).
// Towards code page 1256 the result declares \ansicpg1256 and \fcharset178 for the fonts
// whose text was converted, a converted \uN is written back as \uN with a code page 1256
// fallback, and with UTF-8 output every converted character is written so, with the table's
// Unicode text. Streams in bounded buffers like the text converters (same options and
// results).
ConvertStatus ConvertRtfFile(const QString& source, const QString& destination,
                             const ConversionTable& table, common::Messenger& messenger,
                             const ConvertOptions& options = {});

// The same for RTF in memory, into out (replaced).
ConvertStatus ConvertRtfBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                              const ConvertOptions& options = {});

} // namespace zerva::converter
