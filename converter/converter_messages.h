// The Persian messages of the file converter's core, in one place.
#pragma once

#include "common/table_files.h"
#include "converter/text_convert.h"

#include <QString>

namespace zerva::converter {

// The table files' messages are the suite's, shared with the clipboard converter.
using common::noTablesMessage;
using common::tableFileErrorMessage;
using common::tableListErrorMessage;

QString writeFailedMessage();                   // a converted file could not be written completely
QString fileFailedMessage(const QString& name); // one file of a run failed
QString notRegularFileMessage(const QString& name); // a FIFO, device or folder, refused unread
QString sourceChangedMessage(const QString& name);  // the source changed while converted
// What to tell about a file whose conversion gave status: why, where it is known.
QString conversionFailedMessage(ConvertStatus status, const QString& name);

} // namespace zerva::converter
