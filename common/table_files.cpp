// The table list, the lines and entries of the table files, and their messages.
#include "common/table_files.h"

#include "common/hex_digits.h"
#include "common/profile_file.h"

namespace zerva::common {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

std::optional<std::uint8_t> parseByte(QByteArrayView text) {
    text = trimmed(text);
    if (text.isEmpty()) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
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

bool parseSide(QByteArrayView text, TableSide& side) {
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

// One code point written "U+" and 4 to 6 hexadecimal digits; nothing when malformed or not
// a character.
std::optional<char32_t> parseCodePoint(QByteArrayView text) {
    if (text.size() < 6 || text.size() > 8 || !text.startsWith("U+")) {
        return std::nullopt;
    }
    char32_t value = 0;
    for (char c : text.sliced(2)) {
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<char32_t>(digit);
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool TableFileLines::next(QByteArrayView& line) {
    if (m_pos >= m_text.size()) {
        return false;
    }
    qsizetype end = m_pos;
    while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r') {
        ++end;
    }
    line = m_text.sliced(m_pos, end - m_pos);
    m_pos = end + 1;
    if (end < m_text.size() && m_text[end] == '\r' && m_pos < m_text.size() &&
        m_text[m_pos] == '\n') {
        ++m_pos;
    }
    return true;
}

TableLine parseTableEntry(QByteArrayView line, TableEntry& entry) {
    entry = {};
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) {
        return TableLine::NotAnEntry;
    }
    const QByteArrayView key = line.first(eq);
    if (key.contains(';')) {
        return TableLine::NotAnEntry;
    }
    QByteArrayView value = line.sliced(eq + 1);
    if (const qsizetype semi = value.indexOf(';'); semi >= 0) {
        value = value.first(semi);
    }
    if (!parseSide(key, entry.source)) {
        return TableLine::BadNumber;
    }
    if (trimmed(value).isEmpty()) {
        return entry.source.second ? TableLine::PairWithoutTarget : TableLine::Entry;
    }
    return parseSide(value, entry.output) ? TableLine::Entry : TableLine::BadNumber;
}

UnicodeLine parseUnicodeEntry(QByteArrayView line, TableSide& key, UnicodeText& text) {
    key = {};
    text = {};
    const qsizetype eq = line.indexOf('=');
    if (eq < 0 || line.first(eq).contains(';')) {
        return UnicodeLine::NotAnEntry;
    }
    if (!parseSide(line.first(eq), key)) {
        return UnicodeLine::Bad;
    }
    QByteArrayView value = line.sliced(eq + 1);
    if (const qsizetype semi = value.indexOf(';'); semi >= 0) {
        value = value.first(semi);
    }
    text.count = 0;
    qsizetype at = 0;
    while (true) {
        while (at < value.size() && isBlank(value[at])) {
            ++at;
        }
        if (at == value.size()) {
            return UnicodeLine::Entry;
        }
        qsizetype end = at;
        while (end < value.size() && !isBlank(value[end])) {
            ++end;
        }
        const std::optional<char32_t> point = parseCodePoint(value.sliced(at, end - at));
        if (!point || text.count == 2) {
            return UnicodeLine::Bad;
        }
        text.points[text.count++] = *point;
        at = end;
    }
}

bool isTableSectionHeader(QByteArrayView line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

TableSection tableSectionOf(QByteArrayView header) {
    if (header == QByteArrayView("[Convert Table]")) {
        return TableSection::Convert;
    }
    if (header == QByteArrayView("[Reverse Best Fits]")) {
        return TableSection::ReverseBestFits;
    }
    if (header == QByteArrayView("[No Counterpart]")) {
        return TableSection::NoCounterpart;
    }
    if (header == QByteArrayView("[Unicode]")) {
        return TableSection::Unicode;
    }
    return TableSection::Other;
}

bool ReverseFits::add(TableSection section, QByteArrayView line) {
    TableEntry entry;
    switch (parseTableEntry(line, entry)) {
    case TableLine::Entry:
        break;
    case TableLine::NotAnEntry:
        return true;
    case TableLine::BadNumber:
    case TableLine::PairWithoutTarget:
        return false;
    }
    if (entry.source.second) {
        return false;
    }
    std::optional<ReverseFit>& fit = m_fits[*entry.source.first];
    const bool counted = section == TableSection::NoCounterpart;
    if (counted && fit && !fit->counted) {
        return true; // a best fit is better than none
    }
    fit = ReverseFit{entry.output, counted};
    return true;
}

QString tableListFileName() {
    return QStringLiteral("ZERVACNV.INI");
}

QString tableFileName(int n) {
    return QStringLiteral("TABLE%1.INI").arg(n);
}

TableList readTableList(const QString& folder) {
    const QString path = findFileNoCase(folder, tableListFileName());
    const std::optional<ProfileFile> profile =
        path.isEmpty() ? std::nullopt : ProfileFile::read(path);
    return profile ? readTableList(*profile) : TableList();
}

TableList readTableList(const ProfileFile& profile) {
    TableList result;
    const QString section = QStringLiteral("Code pages");
    const qint64 count = profile.integer(section, QStringLiteral("tables"), 0);
    if (count == 0) {
        return result;
    }
    if (count < 0 || count > 32767) {
        result.status = TableListStatus::Broken;
        return result;
    }
    result.tables.reserve(count);
    for (qint64 i = 1; i <= count; ++i) {
        const QString value = profile.string(section, QStringLiteral("table%1").arg(i));
        const qsizetype semi = value.indexOf(u';');
        TableListEntry entry;
        entry.name = (semi < 0 ? value : value.first(semi)).trimmed();
        entry.twoWay = (semi < 0 ? value : value.sliced(semi + 1)) == QStringLiteral("1");
        result.tables.append(entry);
    }
    result.status = TableListStatus::Ok;
    return result;
}

QString noTablesMessage() {
    return QStringLiteral("هيچ جدول تبديلي در پروندهي ZervaCnv.ini پيدا نشد.");
}

QString tableListErrorMessage() {
    return QStringLiteral("خطا در پروندهي ZervaCnv.ini.");
}

QString tableFileErrorMessage(int n) {
    return QStringLiteral("اشكال در پروندهي Table") + QString::number(n) +
           QStringLiteral(".ini، امكان تبديل پرونده وجود ندارد.");
}

QString noCounterpartMessage(qint64 count) {
    return QString::number(count) + QStringLiteral(" نويسه قابل تبديل نبود.");
}

} // namespace zerva::common
