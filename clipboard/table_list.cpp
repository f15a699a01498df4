// Reading ZERVACNV.INI with the profile-file rules and picking the two-way tables.
#include "table_list.h"

#include "common/messages.h"
#include "common/table_files.h"

namespace zerva::clipboard {

TableList readTwoWayTables(const QString& installPath) {
    return readTwoWayTables(common::readTableList(installPath));
}

TableList readTwoWayTables(const common::TableList& list) {
    TableList result;
    if (list.status == common::TableListStatus::Broken) {
        result.status = TableListStatus::Broken;
        return result;
    }
    for (qsizetype i = 0; i < list.tables.size(); ++i) {
        if (!list.tables[i].twoWay) {
            continue;
        }
        if (static_cast<int>(result.tables.size()) == kMaxTableNumbers) {
            result.status = TableListStatus::Broken;
            result.tables.clear();
            return result;
        }
        result.tables.push_back({list.tables[i].name, static_cast<int>(i + 1)});
    }
    result.status = result.tables.empty() ? TableListStatus::NoTable : TableListStatus::Ok;
    return result;
}

std::optional<std::vector<TableChoice>> loadFormatList(const QString& installPath,
                                                       common::Messenger& messenger) {
    TableList list = readTwoWayTables(installPath);
    switch (list.status) {
    case TableListStatus::Ok:
        return std::move(list.tables);
    case TableListStatus::NoTable:
        messenger.MsgBox(common::noTablesMessage(), common::kOkOnly, common::errorTitle());
        break;
    case TableListStatus::Broken:
        messenger.MsgBox(common::tableListErrorMessage(), common::kOkOnly, common::errorTitle());
        break;
    }
    return std::nullopt;
}

} // namespace zerva::clipboard
