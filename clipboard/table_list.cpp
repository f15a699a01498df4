// Reading ZERVACNV.INI with profile-file rules and picking the two-way tables.
#include "table_list.h"

#include "clipboard_texts.h"
#include "file_names.h"

#include "common/codepage.h"
#include "common/messages.h"

#include <QFile>

#include <algorithm>

namespace zerva::clipboard {

namespace {

constexpr qsizetype kMaxValueLength = 255;

QString unquoted(QString value) {
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front()) {
        return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

ProfileFile::ProfileFile(QByteArrayView bytes) {
    const QString text = common::fromCp1256(bytes);
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\r') &&
               text[end] != QLatin1Char('\n')) {
            ++end;
        }
        const QString line = text.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            m_sections.push_back(line.mid(1, close < 0 ? -1 : close - 1).trimmed().toLower());
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (m_sections.empty() || eq < 0) {
            continue;
        }
        QString value = unquoted(line.mid(eq + 1).trimmed());
        if (const qsizetype nul = value.indexOf(QChar(0)); nul >= 0) {
            value.truncate(nul);
        }
        value.truncate(kMaxValueLength);
        m_entries.push_back(
            {static_cast<int>(m_sections.size()) - 1, line.left(eq).trimmed().toLower(), value});
    }
}

std::optional<ProfileFile> ProfileFile::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return ProfileFile(file.readAll());
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const {
    // Only the first section of a name is searched, as the system's profile reader does.
    const auto first = std::find(m_sections.begin(), m_sections.end(), section.toLower());
    if (first == m_sections.end()) {
        return std::nullopt;
    }
    const auto index = static_cast<int>(first - m_sections.begin());
    const QString k = key.toLower();
    for (const Entry& e : m_entries) {
        if (e.section == index && e.key == k) {
            return e.value;
        }
    }
    return std::nullopt;
}

long long ProfileFile::integer(const QString& section, const QString& key) const {
    const auto text = value(section, key);
    if (!text) {
        return 0;
    }
    qsizetype i = 0;
    bool negative = false;
    if (i < text->size() && (*text)[i] == QLatin1Char('-')) {
        negative = true;
        ++i;
    }
    long long number = 0;
    for (; i < text->size() && (*text)[i] >= QLatin1Char('0') && (*text)[i] <= QLatin1Char('9');
         ++i) {
        if (number < 1'000'000'000'000LL) {
            number = number * 10 + ((*text)[i].unicode() - u'0');
        }
    }
    return negative ? -number : number;
}

TableList readTwoWayTables(const ProfileFile& list) {
    const QString section = QStringLiteral("Code pages");
    TableList result;
    const long long count = list.integer(section, QStringLiteral("tables"));
    if (count == 0) {
        return result;
    }
    if (count < 0 || count > 32767) {
        result.status = TableListStatus::Broken;
        return result;
    }
    for (int i = 1; i <= count; ++i) {
        const QString value =
            list.value(section, QStringLiteral("table%1").arg(i)).value_or(QString());
        const qsizetype semi = value.indexOf(QLatin1Char(';'));
        const QString flag = semi < 0 ? value : value.mid(semi + 1);
        if (flag != QStringLiteral("1")) {
            continue;
        }
        if (static_cast<int>(result.tables.size()) == kMaxTableNumbers) {
            result.status = TableListStatus::Broken;
            result.tables.clear();
            return result;
        }
        result.tables.push_back({(semi < 0 ? value : value.left(semi)).trimmed(), i});
    }
    result.status = result.tables.empty() ? TableListStatus::NoTable : TableListStatus::Ok;
    return result;
}

TableList readTwoWayTables(const QString& installPath) {
    const auto list =
        ProfileFile::read(findFileNoCase(installPath, QStringLiteral("ZERVACNV.INI")));
    if (!list) {
        return {};
    }
    return readTwoWayTables(*list);
}

std::optional<std::vector<TableChoice>> loadFormatList(const QString& installPath,
                                                       common::Messenger& messenger) {
    TableList list = readTwoWayTables(installPath);
    switch (list.status) {
    case TableListStatus::Ok:
        return std::move(list.tables);
    case TableListStatus::NoTable:
        messenger.MsgBox(texts::kMsgNoTable(), common::kOkOnly, common::errorTitle());
        break;
    case TableListStatus::Broken:
        messenger.MsgBox(texts::kMsgBrokenList(), common::kOkOnly, common::errorTitle());
        break;
    }
    return std::nullopt;
}

} // namespace zerva::clipboard
