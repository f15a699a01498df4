// The list of tables in ZERVACNV.INI as the clipboard converter offers it: only the
// two-way tables, each with the number of its TABLE<n>.INI.
#pragma once

#include "common/table_files.h"

#include <QString>

#include <optional>
#include <vector>

namespace zerva::common {
class Messenger;
}

namespace zerva::clipboard {

struct TableChoice {
    QString name; // display name
    int number;   // n of TABLE<n>.INI
};

enum class TableListStatus {
    Ok,
    NoTable, // no table listed, or none of them two-way
    Broken,  // a count out of range, or more two-way tables than the list can hold
};

struct TableList {
    TableListStatus status = TableListStatus::NoTable;
    std::vector<TableChoice> tables; // the two-way tables in list order
};

// The most two-way tables the window offers.
inline constexpr int kMaxTableNumbers = 255;

// The two-way tables of ZERVACNV.INI in the installation folder, or of a list read already.
TableList readTwoWayTables(const QString& installPath);
TableList readTwoWayTables(const common::TableList& list);

// The two-way tables of the installation folder; when there are none or the list is broken,
// shows the matching message (title "اشكال!", one button) and returns nothing.
std::optional<std::vector<TableChoice>> loadFormatList(const QString& installPath,
                                                       common::Messenger& messenger);

} // namespace zerva::clipboard
