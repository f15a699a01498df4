// REGEDIT4 parsing and writing behind SettingsStore and RegReadString.
#include "settings_store.h"

#include "codepage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <map>
#include <set>

namespace zerva::common {
namespace {

constexpr qsizetype kBufferSize = 2048;

QString rootName(RegRoot root) {
    switch (root) {
    case RegRoot::HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case RegRoot::HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegRoot::HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case RegRoot::HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    }
    return {};
}

// Key paths compare without regard to case, with the root written out and single separators.
QString normaliseKey(const QString& path) {
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (QString& p : parts) {
        p = p.trimmed();
    }
    if (!parts.isEmpty()) {
        const QString first = parts.front().toUpper();
        if (first == QStringLiteral("HKLM")) {
            parts.front() = QStringLiteral("HKEY_LOCAL_MACHINE");
        } else if (first == QStringLiteral("HKCU")) {
            parts.front() = QStringLiteral("HKEY_CURRENT_USER");
        }
    }
    return parts.join(QLatin1Char('\\')).toCaseFolded();
}

QString fullKey(RegRoot root, const QString& subKey) {
    return normaliseKey(rootName(root) + QLatin1Char('\\') + subKey);
}

bool isSameOrBelow(const QString& key, const QString& ancestor) {
    return key == ancestor || key.startsWith(ancestor + QLatin1Char('\\'));
}

// One parsed file: its values by key and value name, and the keys it deletes.
struct ParsedFile {
    std::map<QString, std::map<QString, RegValue>> keys;
    std::set<QString> deletedKeys;
    std::map<QString, std::set<QString>> deletedValues;
};

// Reads a quoted string starting at pos (at the opening quote); handles \" and \\.
std::optional<QString> readQuoted(const QString& line, qsizetype& pos) {
    if (pos >= line.size() || line[pos] != QLatin1Char('"')) {
        return std::nullopt;
    }
    QString out;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('\\') && pos + 1 < line.size()) {
            out += line[++pos];
        } else if (c == QLatin1Char('"')) {
            ++pos;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> parseHexList(const QString& text) {
    QByteArray out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const QString digits = part.trimmed();
        const uint v = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 2) {
            return std::nullopt;
        }
        out.append(static_cast<char>(v));
    }
    return out;
}

std::optional<RegValue> parseData(const QString& data) {
    RegValue v;
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        const auto text = readQuoted(data, pos);
        if (!text) {
            return std::nullopt;
        }
        v.type = 1;
        v.text = *text;
        return v;
    }
    if (data.startsWith(QStringLiteral("dword:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const QString digits = data.mid(6).trimmed();
        const uint n = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8) {
            return std::nullopt;
        }
        v.type = 4;
        v.number = n;
        return v;
    }
    if (data.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
        qsizetype colon = data.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            return std::nullopt;
        }
        const QString head = data.left(colon);
        v.type = 3;
        if (head.size() > 3) {
            // hex(N): a value of registry type N given as bytes.
            if (!head.startsWith(QStringLiteral("hex("), Qt::CaseInsensitive) ||
                !head.endsWith(QLatin1Char(')'))) {
                return std::nullopt;
            }
            bool ok = false;
            v.type = head.mid(4, head.size() - 5).toInt(&ok, 16);
            if (!ok) {
                return std::nullopt;
            }
        }
        const auto bytes = parseHexList(data.mid(colon + 1));
        if (!bytes) {
            return std::nullopt;
        }
        v.bytes = *bytes;
        return v;
    }
    return std::nullopt;
}

ParsedFile parseFile(const QString& path) {
    ParsedFile parsed;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return parsed;
    }
    const QString content = QString::fromUtf8(file.readAll());
    // Join continued lines (a trailing backslash continues a hex list). A blank line or one
    // that starts a key, a value or a comment never continues one: a dangling backslash must
    // not swallow what follows.
    QStringList lines;
    QString pending;
    for (QString line : content.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (!pending.isEmpty()) {
            const QString t = line.trimmed();
            if (t.isEmpty() || t.startsWith(QLatin1Char('[')) || t.startsWith(QLatin1Char('"')) ||
                t.startsWith(QLatin1Char('@')) || t.startsWith(QLatin1Char(';'))) {
                lines << pending;
            } else {
                line = pending + t;
            }
            pending.clear();
        }
        if (line.endsWith(QLatin1Char('\\')) && !line.trimmed().startsWith(QLatin1Char('['))) {
            line.chop(1);
            pending = line;
            continue;
        }
        lines << line;
    }
    if (!pending.isEmpty()) {
        lines << pending;
    }

    QString currentKey;
    bool inKey = false;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            QString name = line.mid(1, line.size() - 2);
            if (name.startsWith(QLatin1Char('-'))) {
                parsed.deletedKeys.insert(normaliseKey(name.mid(1)));
                inKey = false;
                continue;
            }
            currentKey = normaliseKey(name);
            parsed.keys[currentKey];
            inKey = true;
            continue;
        }
        if (!inKey) {
            continue; // the REGEDIT4 header and anything outside a key
        }
        QString valueName;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else {
            const auto name = readQuoted(line, pos);
            if (!name) {
                continue;
            }
            valueName = *name;
        }
        while (pos < line.size() && line[pos].isSpace()) {
            ++pos;
        }
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
            continue;
        }
        const QString data = line.mid(pos + 1).trimmed();
        const QString folded = valueName.toCaseFolded();
        if (data == QStringLiteral("-")) {
            parsed.keys[currentKey].erase(folded);
            parsed.deletedValues[currentKey].insert(folded);
            continue;
        }
        if (auto v = parseData(data)) {
            parsed.keys[currentKey][folded] = *v;
        }
    }
    return parsed;
}

bool hidesKey(const ParsedFile& file, const QString& key) {
    for (const QString& d : file.deletedKeys) {
        if (isSameOrBelow(key, d)) {
            return true;
        }
    }
    return false;
}

QString escapeString(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return out;
}

// The user's file as lines, with the header when the file is new.
QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("REGEDIT4"), QString()};
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString& l : lines) {
        if (l.endsWith(QLatin1Char('\r'))) {
            l.chop(1);
        }
    }
    while (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.pop_back();
    }
    return lines;
}

bool writeLines(const QString& path, const QStringList& lines) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return file.commit();
}

// The key a section header line names, or nothing; deleted says whether it is a [-key].
std::optional<QString> sectionKey(const QString& line, bool* deleted) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']'))) {
        return std::nullopt;
    }
    QString name = t.mid(1, t.size() - 2);
    *deleted = name.startsWith(QLatin1Char('-'));
    if (*deleted) {
        name.remove(0, 1);
    }
    return normaliseKey(name);
}

} // namespace

SettingsStore::SettingsStore(QString userFile, QString defaultsFile)
    : m_userFile(std::move(userFile)), m_defaultsFile(std::move(defaultsFile)) {}

QString dataDirectory() {
    const QString bin = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                      : QDir::currentPath();
    return QDir::cleanPath(bin + QStringLiteral("/../share/zerva"));
}

SettingsStore SettingsStore::standard() {
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return SettingsStore(config + QStringLiteral("/Zerva/registry.reg"),
                         dataDirectory() + QStringLiteral("/registry.reg"));
}

std::optional<RegValue> SettingsStore::value(RegRoot root, const QString& subKey,
                                             const QString& valueName) const {
    const QString key = fullKey(root, subKey);
    const QString name = valueName.toCaseFolded();
    const ParsedFile user = parseFile(m_userFile);
    if (auto k = user.keys.find(key); k != user.keys.end()) {
        if (auto v = k->second.find(name); v != k->second.end()) {
            return v->second;
        }
    }
    if (hidesKey(user, key)) {
        return std::nullopt;
    }
    if (auto d = user.deletedValues.find(key);
        d != user.deletedValues.end() && d->second.count(name) != 0) {
        return std::nullopt;
    }
    const ParsedFile defaults = parseFile(m_defaultsFile);
    if (hidesKey(defaults, key)) {
        return std::nullopt;
    }
    if (auto k = defaults.keys.find(key); k != defaults.keys.end()) {
        if (auto v = k->second.find(name); v != k->second.end()) {
            return v->second;
        }
    }
    return std::nullopt;
}

bool SettingsStore::setString(RegRoot root, const QString& subKey, const QString& valueName,
                              const QString& text) {
    const QString key = fullKey(root, subKey);
    const QString header =
        QStringLiteral("[%1\\%2]").arg(rootName(root), subKey);
    const QString nameField = valueName.isEmpty()
                                  ? QStringLiteral("@")
                                  : QStringLiteral("\"%1\"").arg(escapeString(valueName));
    const QString entry = nameField + QStringLiteral("=\"%1\"").arg(escapeString(text));
    QStringList lines = readLines(m_userFile);
    QStringList out;
    bool written = false;
    bool inTarget = false;
    for (const QString& line : lines) {
        bool deleted = false;
        if (const auto k = sectionKey(line, &deleted)) {
            if (inTarget && !written) {
                out << entry;
                written = true;
            }
            inTarget = !deleted && *k == key;
            if (deleted && *k == key) {
                continue; // setting a value brings a deleted key back
            }
            out << line;
            continue;
        }
        if (inTarget) {
            bool isValue = false;
            if (valueName.isEmpty()) {
                isValue = line.trimmed().startsWith(QLatin1Char('@'));
            } else {
                qsizetype pos = 0;
                const auto n = readQuoted(line.trimmed(), pos);
                isValue = n && n->toCaseFolded() == valueName.toCaseFolded();
            }
            if (isValue) {
                // The first occurrence takes the new value; a repeat of the key further down
                // would win when read, so its line for this value goes.
                if (!written) {
                    out << entry;
                    written = true;
                }
                continue;
            }
        }
        out << line;
    }
    if (inTarget && !written) {
        out << entry;
        written = true;
    }
    if (!written) {
        out << QString() << header << entry;
    }
    return writeLines(m_userFile, out);
}

bool SettingsStore::deleteKey(RegRoot root, const QString& subKey) {
    const QString key = fullKey(root, subKey);
    const QStringList lines = readLines(m_userFile);
    QStringList out;
    bool skipping = false;
    bool changed = false;
    for (const QString& line : lines) {
        bool deleted = false;
        if (const auto k = sectionKey(line, &deleted)) {
            skipping = !deleted && isSameOrBelow(*k, key);
            if (skipping) {
                changed = true;
                continue;
            }
        }
        if (!skipping) {
            out << line;
        }
    }
    const ParsedFile defaults = parseFile(m_defaultsFile);
    bool inDefaults = false;
    for (const auto& [k, values] : defaults.keys) {
        inDefaults = inDefaults || isSameOrBelow(k, key);
    }
    if (inDefaults && !hidesKey(parseFile(m_userFile), key)) {
        out << QString() << QStringLiteral("[-%1\\%2]").arg(rootName(root), subKey);
        changed = true;
    }
    if (!changed) {
        return true;
    }
    return writeLines(m_userFile, out);
}

QString RegReadString(const SettingsStore& store, RegRoot root, const QString& subKey,
                      const QString& valueName) {
    const auto v = store.value(root, subKey, valueName);
    if (!v) {
        return kNotFound;
    }
    switch (v->type) {
    case 3: {
        if (v->bytes.size() > kBufferSize) {
            return kNotFound;
        }
        return QString::fromLatin1(v->bytes.toHex().toUpper());
    }
    case 4:
        return QString::number(v->number);
    case 1:
        // Text with its terminating null must fit the 2048-byte buffer.
        if (v->text.size() + 1 > kBufferSize) {
            return kNotFound;
        }
        return v->text;
    default: {
        // A string type given as bytes: code page 1256 text, up to its terminating null.
        if (v->bytes.size() > kBufferSize) {
            return kNotFound;
        }
        QByteArray bytes = v->bytes;
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0) {
            bytes.truncate(nul);
        }
        return fromCp1256(bytes);
    }
    }
}

QString RegReadString(RegRoot root, const QString& subKey, const QString& valueName) {
    return RegReadString(SettingsStore::standard(), root, subKey, valueName);
}

} // namespace zerva::common
