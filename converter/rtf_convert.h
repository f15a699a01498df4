// The RTF converter: rewrites the hexadecimal escapes (\'hh) of an RTF file through the
// conversion table and copies every other byte unchanged.
#pragma once

#include "common/messages.h"
#include "converter/conversion_table.h"
#include "converter/text_convert.h"

#include <QString>

namespace zerva::converter {

// Escapes are read with digits of either case and written in lower case. Two escapes that
// form a pair entry become one. An escape whose two characters are not hexadecimal digits,
// or that the end of the file cuts off, is copied unchanged; an escaped backslash never
// starts an escape; after the control word \level... everything up to the next "}" is copied
// unchanged. Streams in bounded buffers like the text converters (same options and results).
ConvertStatus ConvertRtfFile(const QString& source, const QString& destination,
                             const ConversionTable& table, common::Messenger& messenger,
                             const ConvertOptions& options = {});

// The same for RTF in memory, into out (replaced).
ConvertStatus ConvertRtfBytes(QByteArrayView in, QByteArray& out, const ConversionTable& table,
                              const ConvertOptions& options = {});

} // namespace zerva::converter
