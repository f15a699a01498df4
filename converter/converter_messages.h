// The Persian messages of the file converter's core, in one place.
#pragma once

#include <QString>

namespace zerva::converter {

QString noTablesMessage();                      // the table list names no table
QString tableListErrorMessage();                // the table list is broken otherwise
QString tableFileErrorMessage(int n);           // TABLE<n>.INI cannot be used
QString writeFailedMessage();                   // a converted file could not be written completely
QString fileFailedMessage(const QString& name); // one file of a run failed

} // namespace zerva::converter
