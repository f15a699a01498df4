// Real Persian text for the converter tests: the installed Persian dictionary, iconv, and
// code page 1256 with the best fits the tables use.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace zerva::test {

// iconv over the input; nothing when it fails. With dropInvalid (-c) what iconv cannot
// convert is left out and the call succeeds.
std::optional<QByteArray> iconv(const QByteArray& input, const char* from, const char* to,
                                bool dropInvalid = false);

// Every step-th word of the Persian dictionary (package myspell-fa), without affix flags;
// empty when it is not installed.
QStringList dictionaryWords(int step);

// The best fits for characters code page 1256 lacks: Farsi yeh as Arabic yeh, Persian and
// Arabic-Indic digits as ASCII digits.
char32_t bestFit1256(char32_t c);
QString bestFit1256(const QString& text);

// Plain bytes as RTF: bytes from 128 on as escapes, line feeds as \par.
QByteArray asRtf(const QByteArray& plain);

} // namespace zerva::test
