// The RTF of a Word document as the conversion table sees it, and back.
//
// The document engine writes most characters above 127 as \uN control words followed by a
// fallback, and reads \uN in preference to any fallback; the table works on \'hh escapes of
// code page 1256 bytes. Before converting, each \uN whose character code page 1256 has
// becomes that byte's escape (its fallback dropped); after converting, each escape is
// written as \uN of its code page 1256 character with the escape as fallback, so the
// document reads the converted bytes as code page 1256 whatever its fonts say.
#pragma once

#include <QString>

namespace zerva::converter {

// \uN (with its \ucN fallback) -> \'hh where code page 1256 has the character; characters
// below 128 and those without a byte keep their \uN. False when a file cannot be read or
// written.
bool rtfUnicodeToCodePage(const QString& source, const QString& destination);

// \'hh -> \uN\'hh with N the code page 1256 character of hh, except inside the group of a
// \level... control word (list numbering bytes stay as they are). False when a file cannot
// be read or written.
bool rtfCodePageToUnicode(const QString& source, const QString& destination);

} // namespace zerva::converter
