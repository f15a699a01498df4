// Small builders shared by the converter tests: table texts, tables and one-call conversions.
#pragma once

#include "converter/conversion_table.h"
#include "converter/text_convert.h"
#include "tests/support/fake_messenger.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>

namespace zerva::test {

// Bytes from numbers: bytes({200, 10, 13}).
QByteArray bytes(std::initializer_list<int> values);

// A table file: a [Convert Table] header, then the lines, each ended by CR LF.
QByteArray tableText(std::initializer_list<const char*> lines);

// The table of those lines; fails the test when they do not parse.
converter::ConversionTable makeTable(std::initializer_list<const char*> lines,
                                     converter::Direction direction = converter::Direction::ToMs);

using FileConverter = std::function<converter::ConvertStatus(
    const QString&, const QString&, const converter::ConversionTable&, common::Messenger&,
    const converter::ConvertOptions&)>;

// Runs a converter from a file holding input to a new file and returns what it wrote;
// a failed conversion fails the test.
QByteArray convertBytes(const FileConverter& convert, const converter::ConversionTable& table,
                        const QByteArray& input, const converter::ConvertOptions& options = {});

} // namespace zerva::test
