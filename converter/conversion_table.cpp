// The table list, the table file loader and ConversionTable.
#include "converter/conversion_table.h"

#include "converter/converter_messages.h"
#include "converter/profile_file.h"

#include <QFile>

namespace zerva::converter {

namespace {

std::array<char, 2> hexOf(std::uint8_t value) {
    return {HexHigh(value), HexLow(value)};
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A plain decimal byte value with optional blanks around it.
std::optional<std::uint8_t> parseByte(QByteArrayView text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isBlank(text[b])) {
        ++b;
    }
    while (e > b && isBlank(text[e - 1])) {
        --e;
    }
    if (b == e) {
        return std::nullopt;
    }
    int value = 0;
    for (qsizetype i = b; i < e; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > 255) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint8_t>(value);
}

// One side of an entry: "x" or "x+y". The split is at the first "+".
struct Side {
    std::optional<std::uint8_t> first;
    std::optional<std::uint8_t> second;
};

bool parseSide(QByteArrayView text, Side& side) {
    const qsizetype plus = text.indexOf('+');
    side.first = parseByte(plus < 0 ? text : text.first(plus));
    if (!side.first) {
        return false;
    }
    if (plus >= 0) {
        side.second = parseByte(text.sliced(plus + 1));
        if (!side.second) {
            return false;
        }
    }
    return true;
}

bool isEmptyValue(QByteArrayView text) {
    for (char c : text) {
        if (!isBlank(c)) {
            return false;
        }
    }
    return true;
}

// Applies one entry line inside the table section; false when the line makes the file invalid.
bool applyEntry(QByteArrayView line, Direction direction, ConversionTable& table) {
    const qsizetype eq = line.indexOf('=');
    const QByteArrayView keyText = line.first(eq);
    if (keyText.contains(';')) {
        return true; // a comment line
    }
    QByteArrayView valueText = line.sliced(eq + 1);
    if (const qsizetype semi = valueText.indexOf(';'); semi >= 0) {
        valueText = valueText.first(semi);
    }
    Side key;
    Side value;
    if (!parseSide(keyText, key)) {
        return false;
    }
    if (isEmptyValue(valueText)) {
        if (key.second) {
            return false; // a pair cannot be dropped
        }
    } else if (!parseSide(valueText, value)) {
        return false;
    }
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
                              std::uint8_t out2) {
    ByteEntry& e = m_bytes[source];
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
    static constexpr QByteArrayView kSection("[Convert Table]");
    ConversionTable table;
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
            ++end;
        }
        const QByteArrayView line = text.sliced(pos, end - pos);
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            inSection = line == kSection;
            continue;
        }
        if (!inSection || !line.contains('=')) {
            continue;
        }
        if (!applyEntry(line, direction, table)) {
            return std::nullopt;
        }
    }
    return table;
}

QString tableListFileName() {
    return QStringLiteral("ZERVACNV.INI");
}

QString tableFileName(int n) {
    return QStringLiteral("TABLE%1.INI").arg(n);
}

std::optional<QList<TableListEntry>> LoadTableList(const QString& tableFolder,
                                                   common::Messenger& messenger) {
    const QString path = findFileNoCase(tableFolder, tableListFileName());
    const std::optional<ProfileFile> profile =
        path.isEmpty() ? std::nullopt : ProfileFile::read(path);
    const QString section = QStringLiteral("Code pages");
    const qint64 count = profile ? profile->integer(section, QStringLiteral("tables"), 0) : 0;
    if (count == 0) {
        messenger.MsgBox(noTablesMessage(), common::kOkOnly, common::errorTitle());
        return std::nullopt;
    }
    if (count < 0 || count > 32767) {
        messenger.MsgBox(tableListErrorMessage(), common::kOkOnly, common::errorTitle());
        return std::nullopt;
    }
    QList<TableListEntry> list;
    list.reserve(count);
    for (qint64 i = 1; i <= count; ++i) {
        const QString value = profile->string(section, QStringLiteral("table%1").arg(i));
        const qsizetype semi = value.indexOf(u';');
        TableListEntry entry;
        entry.name = (semi < 0 ? value : value.first(semi)).trimmed();
        entry.twoWay = (semi < 0 ? value : value.sliced(semi + 1)) == QStringLiteral("1");
        list.append(entry);
    }
    return list;
}

std::optional<ConversionTable> LoadConversionTable(const QString& tableFolder, int n,
                                                   Direction direction,
                                                   common::Messenger& messenger) {
    std::optional<ConversionTable> table;
    const QString path = findFileNoCase(tableFolder, tableFileName(n));
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
