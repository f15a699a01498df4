// INI reading with the rules of the Windows profile functions.
#include "common/profile_file.h"

#include "common/codepage.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <limits>

namespace zerva::common {

namespace {

QString decode(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QString::fromUtf8(bytes.sliced(3));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return fromCp1256(bytes);
}

QString unquote(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first) {
            return value.sliced(1, value.size() - 2);
        }
    }
    return value;
}

} // namespace

std::optional<ProfileFile> ProfileFile::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return parse(bytes);
}

ProfileFile ProfileFile::parse(QByteArrayView bytes) {
    ProfileFile profile;
    const QString text = decode(bytes);
    Section* current = nullptr;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') {
            ++end;
        }
        const QString line = text.sliced(pos, end - pos).trimmed();
        pos = end + 1;
        if (end < text.size() && text[end] == u'\r' && pos < text.size() && text[pos] == u'\n') {
            ++pos;
        }
        if (line.isEmpty() || line.startsWith(u';')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name =
                (close < 0 ? line.sliced(1) : line.sliced(1, close - 1)).trimmed().toCaseFolded();
            profile.m_sections.push_back(Section{name, {}});
            current = &profile.m_sections.back();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (current == nullptr || eq < 0) {
            continue;
        }
        current->entries.push_back(
            Entry{line.first(eq).trimmed().toCaseFolded(), line.sliced(eq + 1).trimmed()});
    }
    return profile;
}

const QString* ProfileFile::find(const QString& section, const QString& key) const {
    const QString s = section.trimmed().toCaseFolded();
    const QString k = key.trimmed().toCaseFolded();
    // The first section of the name and the first key in it win, as with the Windows calls.
    for (const Section& sec : m_sections) {
        if (sec.name != s) {
            continue;
        }
        for (const Entry& e : sec.entries) {
            if (e.key == k) {
                return &e.value;
            }
        }
        return nullptr;
    }
    return nullptr;
}

QString ProfileFile::string(const QString& section, const QString& key, const QString& def) const {
    const QString* found = find(section, key);
    QString value = found ? unquote(*found) : def;
    if (const qsizetype nul = value.indexOf(QChar(0)); nul >= 0) {
        value.truncate(nul);
    }
    value.truncate(kMaxValue);
    return value;
}

qint64 ProfileFile::integer(const QString& section, const QString& key, qint64 def) const {
    const QString value = string(section, key);
    if (value.isEmpty()) {
        return def;
    }
    qsizetype i = 0;
    while (i < value.size() && (value[i] == u' ' || value[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) {
        negative = value[i] == u'-';
        ++i;
    }
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 result = 0;
    for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
        const int digit = value[i].unicode() - u'0';
        result = result > (kMax - digit) / 10 ? kMax : result * 10 + digit;
    }
    return negative ? -result : result;
}

QString findFileNoCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (QFile::exists(dir.filePath(name))) {
        return dir.filePath(name);
    }
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return dir.filePath(entry);
        }
    }
    return {};
}

} // namespace zerva::common
