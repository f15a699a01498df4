// The table list, the table file loader and ConversionTable.
#include "converter/conversion_table.h"

#include "converter/converter_messages.h"

#include "common/profile_file.h"
#include "common/table_files.h"

#include <utility>

#include <QFile>

namespace zerva::converter {

namespace {

std::array<char, 2> hexOf(std::uint8_t value) {
    return {HexHigh(value), HexLow(value)};
}

// Applies one entry line inside the table section; false when the line makes the file
// invalid. given marks the bytes that received a single-byte entry.
bool applyEntry(QByteArrayView line, Direction direction, ConversionTable& table,
                std::array<bool, 256>& given) {
    common::TableEntry entry;
    switch (common::parseTableEntry(line, entry)) {
    case common::TableLine::Entry:
        break;
    case common::TableLine::NotAnEntry:
        return true;
    case common::TableLine::BadNumber:
    case common::TableLine::PairWithoutTarget:
        return false;
    }
    common::TableSide key = entry.source;
    common::TableSide value = entry.output;
    if (direction == Direction::FromMs) {
        std::swap(key, value);
    }
    if (!key.first) {
        return true; // a dropped byte has nothing to reverse
    }
    if (key.second) {
        // A pair always yields one byte; a second output byte is not used.
        return table.addPair(*key.first, *key.second, *value.first);
    }
    given[*key.first] = true;
    if (!value.first) {
        table.setByte(*key.first, 0, 0, 0);
    } else if (!value.second) {
        table.setByte(*key.first, 1, *value.first, 0);
    } else {
        table.setByte(*key.first, 2, *value.first, *value.second);
    }
    return true;
}

} // namespace

ConversionTable::ConversionTable() {
    reset();
}

void ConversionTable::reset() {
    for (int x = 0; x < 256; ++x) {
        setByte(static_cast<std::uint8_t>(x), 1, static_cast<std::uint8_t>(x), 0);
        m_bytes[x].pairHead = 0;
    }
    m_pairs = {};
    m_pairCount = 0;
}

void ConversionTable::setByte(std::uint8_t source, std::uint8_t kind, std::uint8_t out1,
                              std::uint8_t out2, bool noCounterpart) {
    ByteEntry& e = m_bytes[source];
    e.noCounterpart = noCounterpart;
    e.kind = kind;
    e.out1 = out1;
    e.out2 = out2;
    e.out1Hex = hexOf(out1);
    e.out2Hex = hexOf(out2);
}

bool ConversionTable::addPair(std::uint8_t first, std::uint8_t second, std::uint8_t target) {
    if (m_pairCount >= kMaxPairs) {
        return false;
    }
    const auto k = static_cast<std::uint8_t>(++m_pairCount);
    PairEntry& p = m_pairs[k];
    p.next = m_bytes[first].pairHead;
    p.second = second;
    p.secondHex = hexOf(second);
    p.target = target;
    p.targetHex = hexOf(target);
    m_bytes[first].pairHead = k;
    return true;
}

std::optional<ConversionTable> parseConversionTable(QByteArrayView text, Direction direction) {
    using common::TableSection;
    ConversionTable table;
    TableSection section = TableSection::Other;
    std::array<bool, 256> given{};
    common::ReverseFits fits;
    common::TableFileLines lines(text);
    QByteArrayView line;
    while (lines.next(line)) {
        if (common::isTableSectionHeader(line)) {
            section = common::tableSectionOf(line);
            continue;
        }
        bool ok = true;
        switch (section) {
        case TableSection::Convert:
            ok = applyEntry(line, direction, table, given);
            break;
        case TableSection::ReverseBestFits:
        case TableSection::NoCounterpart:
            ok = direction != Direction::FromMs || fits.add(section, line);
            break;
        case TableSection::Other:
            break;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    if (direction == Direction::FromMs) {
        for (int x = 0; x < 256; ++x) {
            const auto byte = static_cast<std::uint8_t>(x);
            const std::optional<common::ReverseFit>& fit = fits[byte];
            if (given[byte] || !fit) {
                continue;
            }
            const common::TableSide& out = fit->output;
            const std::uint8_t kind = !out.first ? 0 : !out.second ? 1 : 2;
            table.setByte(byte, kind, out.first.value_or(0), out.second.value_or(0), fit->counted);
        }
    }
    return table;
}

std::optional<QList<TableListEntry>> LoadTableList(const QString& tableFolder,
                                                   common::Messenger& messenger) {
    common::TableList list = common::readTableList(tableFolder);
    switch (list.status) {
    case common::TableListStatus::Ok:
        return std::move(list.tables);
    case common::TableListStatus::NoTable:
        messenger.MsgBox(noTablesMessage(), common::kOkOnly, common::errorTitle());
        break;
    case common::TableListStatus::Broken:
        messenger.MsgBox(tableListErrorMessage(), common::kOkOnly, common::errorTitle());
        break;
    }
    return std::nullopt;
}

std::optional<ConversionTable> LoadConversionTable(const QString& tableFolder, int n,
                                                   Direction direction,
                                                   common::Messenger& messenger) {
    std::optional<ConversionTable> table;
    const QString path = common::findFileNoCase(tableFolder, tableFileName(n));
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) {
        const QByteArray text = file.readAll();
        if (file.error() == QFileDevice::NoError) {
            table = parseConversionTable(text, direction);
        }
        file.close();
    }
    if (!table) {
        messenger.MsgBox(tableFileErrorMessage(n), common::kOkOnly, common::errorTitle());
    }
    return table;
}

} // namespace zerva::converter
