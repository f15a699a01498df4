// The table list (ZERVACNV.INI) on any bytes, as both converters read it: the list holds
// exactly the count it names, and the clipboard's choice is its two-way tables in order.
#include "clipboard/table_list.h"
#include "common/profile_file.h"
#include "common/table_files.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>

using namespace zerva;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const common::ProfileFile profile = common::ProfileFile::parse(bytes);
    const common::TableList list = common::readTableList(profile);
    const qint64 count = profile.integer(QStringLiteral("Code pages"), QStringLiteral("tables"), 0);
    switch (list.status) {
    case common::TableListStatus::Ok:
        ZERVA_FUZZ_CHECK(count >= 1 && list.tables.size() == count);
        break;
    case common::TableListStatus::NoTable:
        ZERVA_FUZZ_CHECK(count == 0 && list.tables.isEmpty());
        break;
    case common::TableListStatus::Broken:
        ZERVA_FUZZ_CHECK(count != 0 && list.tables.isEmpty());
        break;
    }
    for (const common::TableListEntry& e : list.tables) {
        ZERVA_FUZZ_CHECK(e.name.size() <= common::ProfileFile::kMaxValue);
        ZERVA_FUZZ_CHECK(e.name == e.name.trimmed());
    }

    const clipboard::TableList twoWay = clipboard::readTwoWayTables(list);
    ZERVA_FUZZ_CHECK(static_cast<int>(twoWay.tables.size()) <= clipboard::kMaxTableNumbers);
    ZERVA_FUZZ_CHECK((twoWay.status == clipboard::TableListStatus::Ok) == !twoWay.tables.empty());
    int previous = 0;
    for (const clipboard::TableChoice& c : twoWay.tables) {
        ZERVA_FUZZ_CHECK(c.number > previous && c.number <= list.tables.size());
        const common::TableListEntry& e = list.tables[c.number - 1];
        ZERVA_FUZZ_CHECK(e.twoWay && e.name == c.name);
        previous = c.number;
    }
    if (twoWay.status == clipboard::TableListStatus::Ok) {
        const auto all = std::count_if(list.tables.begin(), list.tables.end(),
                                       [](const common::TableListEntry& e) { return e.twoWay; });
        ZERVA_FUZZ_CHECK(static_cast<std::size_t>(all) == twoWay.tables.size());
    }

    // The programs find the file in a folder without regard to the case of its name.
    fuzz::writeWorkFile(QStringLiteral("ZervaCnv.ini"), bytes);
    const common::TableList fromFolder = common::readTableList(fuzz::workPath(QString()));
    ZERVA_FUZZ_CHECK(fromFolder.status == list.status);
    ZERVA_FUZZ_CHECK(fromFolder.tables.size() == list.tables.size());
    for (qsizetype i = 0; i < list.tables.size(); ++i) {
        ZERVA_FUZZ_CHECK(fromFolder.tables[i].name == list.tables[i].name &&
                         fromFolder.tables[i].twoWay == list.tables[i].twoWay);
    }
    return 0;
}
