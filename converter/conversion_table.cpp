// The table list, the table file loader and ConversionTable.
#include "converter/conversion_table.h"

#include "converter/converter_messages.h"

#include "common/profile_file.h"
#include "common/table_files.h"

#include <utility>
#include <vector>

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

// The Unicode texts of one file, kept until every section is read: a pair's text applies to
// the pair entry of "[Convert Table]", which may come later in the file.
struct UnicodeEntries {
    std::array<UnicodeText, 256> bytes;
    std::vector<std::pair<common::TableSide, UnicodeText>> pairs;

    bool add(QByteArrayView line) {
        common::TableSide key;
        UnicodeText text;
        switch (common::parseUnicodeEntry(line, key, text)) {
        case common::UnicodeLine::Entry:
            break;
        case common::UnicodeLine::NotAnEntry:
            return true;
        case common::UnicodeLine::Bad:
            return false;
        }
        if (key.second) {
            pairs.emplace_back(key, text);
        } else {
            bytes[*key.first] = text;
        }
        return true;
    }

    bool applyTo(ConversionTable& table) const {
        for (int x = 0; x < 256; ++x) {
            if (bytes[x].given()) {
                table.setByteUnicode(static_cast<std::uint8_t>(x), bytes[x]);
            }
        }
        for (const auto& [key, text] : pairs) {
            if (!table.setPairUnicode(*key.first, *key.second, text)) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

ConversionTable::ConversionTable() {
    reset();
}

void ConversionTable::reset() {
    for (int x = 0; x < 256; ++x) {
        setByte(static_cast<std::uint8_t>(x), 1, static_cast<std::uint8_t>(x), 0);
        m_bytes[x].pairHead = 0;
        m_bytes[x].unicode = {};
    }
    m_pairs = {};
    m_pairCount = 0;
    m_hasUnicode = false;
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

void ConversionTable::setByteUnicode(std::uint8_t source, const UnicodeText& text) {
    m_bytes[source].unicode = text;
    m_hasUnicode = m_hasUnicode || text.given();
}

bool ConversionTable::setPairUnicode(std::uint8_t x, std::uint8_t y, const UnicodeText& text) {
    // Only the newest pair entry of x and y is ever matched, so it carries the text.
    for (std::uint8_t k = m_bytes[x].pairHead; k != 0; k = m_pairs[k].next) {
        if (m_pairs[k].second == y) {
            m_pairs[k].unicode = text;
            m_hasUnicode = m_hasUnicode || text.given();
            return true;
        }
    }
    return false;
}

std::optional<ConversionTable> parseConversionTable(QByteArrayView text, Direction direction) {
    using common::TableSection;
    ConversionTable table;
    table.setDirection(direction);
    TableSection section = TableSection::Other;
    std::array<bool, 256> given{};
    common::ReverseFits fits;
    UnicodeEntries texts;
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
        case TableSection::Unicode:
            ok = direction != Direction::ToMs || texts.add(line);
            break;
        case TableSection::Other:
            break;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    if (direction == Direction::ToMs && !texts.applyTo(table)) {
        return std::nullopt;
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
