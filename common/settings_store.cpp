// Registry export files behind SettingsStore and RegReadString: parsing, the parse cache and
// the locked read-change-write of the user's file.
#include "settings_store.h"

#include "atomic_file.h"
#include "codepage.h"
#include "hex_digits.h"
#include "reg_file.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include <sys/stat.h>

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

// Reads a quoted string starting at pos (at the opening quote); handles \" and \\.
std::optional<QString> readQuoted(QStringView line, qsizetype& pos) {
    if (pos >= line.size() || line[pos] != QLatin1Char('"')) {
        return std::nullopt;
    }
    QString out;
    qsizetype start = ++pos; // the first character not yet copied
    for (; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('\\') && pos + 1 < line.size()) {
            out += line.sliced(start, pos - start);
            start = ++pos; // the escaped character is copied with the next run
        } else if (c == QLatin1Char('"')) {
            out += line.sliced(start, pos - start);
            ++pos;
            return out;
        }
    }
    return std::nullopt;
}

// Bytes written as hexadecimal pairs separated by commas ("00,0f,10").
std::optional<QByteArray> parseHexList(QStringView text) {
    QByteArray out;
    out.reserve(text.size() / 3 + 1);
    for (QStringView part : text.tokenize(QLatin1Char(','), Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.isEmpty() || part.size() > 2) {
            return std::nullopt;
        }
        int v = 0;
        for (const QChar c : part) {
            const int d = hexDigitValue(c.unicode());
            if (d < 0) {
                return std::nullopt;
            }
            v = v * 16 + d;
        }
        out.append(static_cast<char>(v));
    }
    return out;
}

std::optional<RegValue> parseData(QStringView data) {
    RegValue v;
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        auto text = readQuoted(data, pos);
        if (!text) {
            return std::nullopt;
        }
        v.type = 1;
        v.text = std::move(*text);
        return v;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        bool ok = false;
        const QStringView digits = data.sliced(6).trimmed();
        const uint n = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8) {
            return std::nullopt;
        }
        v.type = 4;
        v.number = n;
        return v;
    }
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        const qsizetype colon = data.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            return std::nullopt;
        }
        const QStringView head = data.first(colon);
        v.type = 3;
        if (head.size() > 3) {
            // hex(N): a value of registry type N given as bytes.
            if (!head.startsWith(QLatin1String("hex("), Qt::CaseInsensitive) ||
                !head.endsWith(QLatin1Char(')'))) {
                return std::nullopt;
            }
            bool ok = false;
            v.type = head.sliced(4, head.size() - 5).toInt(&ok, 16);
            if (!ok) {
                return std::nullopt;
            }
        }
        auto bytes = parseHexList(data.sliced(colon + 1));
        if (!bytes) {
            return std::nullopt;
        }
        v.bytes = std::move(*bytes);
        return v;
    }
    return std::nullopt;
}

// One parsed file: its values by key and value name, and the keys it deletes.
struct ParsedFile {
    SettingsFileState state = SettingsFileState::Absent;
    std::map<QString, std::map<QString, RegValue>> keys;
    std::set<QString> deletedKeys;
    std::map<QString, std::set<QString>> deletedValues;
};

struct Section {
    QString key; // normalised
    bool deleted = false;
};

// The section a line opens, if it is a section header ("[key]" or "[-key]").
std::optional<Section> sectionOf(const QString& text) {
    const QStringView t = QStringView(text).trimmed();
    if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']'))) {
        return std::nullopt;
    }
    QStringView name = t.sliced(1, t.size() - 2);
    Section s;
    s.deleted = name.startsWith(QLatin1Char('-'));
    if (s.deleted) {
        name = name.sliced(1);
    }
    s.key = normaliseKey(name.toString());
    return s;
}

struct ValueLine {
    QString name;     // case-folded; empty for the default value
    QStringView data; // what follows the equals sign, in the line's text
};

// The value a line sets ("name"=data or @=data), if it sets one.
std::optional<ValueLine> valueLineOf(const QString& text) {
    const QStringView line = QStringView(text).trimmed();
    ValueLine v;
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        pos = 1;
    } else {
        const auto name = readQuoted(line, pos);
        if (!name) {
            return std::nullopt;
        }
        v.name = name->toCaseFolded();
    }
    while (pos < line.size() && line[pos].isSpace()) {
        ++pos;
    }
    if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
        return std::nullopt;
    }
    v.data = line.sliced(pos + 1).trimmed();
    return v;
}

// Builds a parsed file line by line.
class Parser {
public:
    Parser() { m_parsed.state = SettingsFileState::Understood; }

    void feed(const RegLine& line) {
        if (const auto section = sectionOf(line.text)) {
            m_inKey = !section->deleted;
            if (section->deleted) {
                m_parsed.deletedKeys.insert(section->key);
            } else {
                m_key = section->key;
                m_values = &m_parsed.keys[m_key];
            }
            return;
        }
        if (!m_inKey) {
            return; // the header, comments and anything outside a key
        }
        const auto value = valueLineOf(line.text);
        if (!value) {
            return;
        }
        if (value->data == QLatin1String("-")) {
            m_values->erase(value->name);
            m_parsed.deletedValues[m_key].insert(value->name);
            return;
        }
        if (auto v = parseData(value->data)) {
            (*m_values)[value->name] = std::move(*v);
        }
    }

    ParsedFile take() { return std::move(m_parsed); }

private:
    ParsedFile m_parsed;
    bool m_inKey = false;
    QString m_key;
    std::map<QString, RegValue>* m_values = nullptr;
};

ParsedFile parseText(const RegText& text) {
    Parser parser;
    for (const RegLine& line : text.lines) {
        parser.feed(line);
    }
    return parser.take();
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

// What identifies one version of a file: a write in place changes its size or times, an
// atomic replacement its inode.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};
    struct timespec changed {};

    bool operator==(const FileStamp& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileStamp stampOf(const struct stat& st) {
    FileStamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = st.st_mtim;
    s.changed = st.st_ctim;
    return s;
}

// Parsed files by path, kept while the file stays the same version: a program reads the
// store many times, and parsing a large file every time costs most of a second.
class ParseCache {
public:
    std::shared_ptr<const ParsedFile> find(const QString& path, const FileStamp& stamp) {
        const std::lock_guard<std::mutex> hold(m_mutex);
        const auto it = m_entries.find(path);
        if (it == m_entries.end() || !(it->second.stamp == stamp)) {
            return nullptr;
        }
        return it->second.parsed;
    }

    void put(const QString& path, const FileStamp& stamp,
             std::shared_ptr<const ParsedFile> parsed) {
        const std::lock_guard<std::mutex> hold(m_mutex);
        // A program uses two files; tests use many. Forgetting all is simple and rare.
        if (m_entries.size() >= kMaxEntries && m_entries.count(path) == 0) {
            m_entries.clear();
        }
        m_entries[path] = Entry{stamp, std::move(parsed)};
    }

private:
    static constexpr std::size_t kMaxEntries = 16;
    struct Entry {
        FileStamp stamp;
        std::shared_ptr<const ParsedFile> parsed;
    };
    std::mutex m_mutex;
    std::map<QString, Entry> m_entries;
};

ParseCache& parseCache() {
    static ParseCache cache;
    return cache;
}

// A file's bytes as read, with the stamp of the version read.
struct FileBytes {
    enum Status { Absent, Read, Failed } status = Absent;
    QByteArray bytes;
    FileStamp stamp;
};

// Reads a whole file. Failed means it exists but could not be read, or is not a regular file:
// such a file is never overwritten. With hit, a parse of this very version in the cache is
// returned there instead of the bytes.
FileBytes readBytes(const QString& path, std::shared_ptr<const ParsedFile>* hit = nullptr) {
    FileBytes out;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(path);
        out.status = path.isEmpty() || (!info.exists() && !info.isSymLink()) ? FileBytes::Absent
                                                                             : FileBytes::Failed;
        return out;
    }
    out.status = FileBytes::Failed;
    struct stat st {};
    if (::fstat(file.handle(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return out;
    }
    out.stamp = stampOf(st);
    if (hit != nullptr) {
        if ((*hit = parseCache().find(path, out.stamp))) {
            out.status = FileBytes::Read;
            return out;
        }
    }
    out.bytes = file.readAll();
    if (file.error() == QFileDevice::NoError) {
        out.status = FileBytes::Read;
    }
    return out;
}

// The parse of a file, from the cache while the file is unchanged.
std::shared_ptr<const ParsedFile> parsedFile(const QString& path) {
    std::shared_ptr<const ParsedFile> cached;
    FileBytes file = readBytes(path, &cached);
    if (cached) {
        return cached;
    }
    auto parsed = std::make_shared<ParsedFile>();
    if (file.status == FileBytes::Absent) {
        return parsed;
    }
    if (file.status == FileBytes::Read) {
        Parser parser;
        const auto text =
            readRegLines(file.bytes, [&parser](const RegLine& line) { parser.feed(line); });
        file.bytes.clear();
        if (text) {
            *parsed = parser.take();
        } else {
            parsed->state = SettingsFileState::NotUnderstood;
        }
        parseCache().put(path, file.stamp, parsed);
        return parsed;
    }
    parsed->state = SettingsFileState::NotUnderstood;
    return parsed;
}

// The line end a line was written with, for a line that takes its place.
QString lineEndOf(const RegLine& line, const QString& fallback) {
    if (line.raw.endsWith(QStringLiteral("\r\n"))) {
        return QStringLiteral("\r\n");
    }
    if (line.raw.endsWith(QLatin1Char('\n')) || line.raw.endsWith(QLatin1Char('\r'))) {
        return line.raw.right(1);
    }
    return line.raw.isEmpty() ? fallback : QString();
}

bool isBlank(const RegLine& line) {
    return line.text.trimmed().isEmpty();
}

// Adds lines at the end of a file, after a blank line.
void appendSection(RegText& text, const QStringList& lines) {
    if (!text.lines.empty()) {
        endLine(text.lines.back(), text.lineEnd);
        if (!isBlank(text.lines.back())) {
            text.lines.push_back(newRegLine(QString(), text.lineEnd));
        }
    }
    for (const QString& l : lines) {
        text.lines.push_back(newRegLine(l, text.lineEnd));
    }
}

// How long a writer waits for another program's change of the same file.
constexpr int kLockTimeoutMs = 10000;

// Takes the lock beside the user's file, waiting for another writer to finish; fails at once
// when the lock cannot be made at all (a full disk or a read-only folder).
bool takeLock(QLockFile& lock) {
    QDeadlineTimer deadline(kLockTimeoutMs);
    for (;;) {
        if (lock.tryLock(0)) {
            return true;
        }
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(5);
    }
}

// Reads the user's file, lets edit change its text (edit says whether it did) and writes it
// back. False when the file could not be read, understood or written.
bool changeFile(const QString& path, const std::function<bool(RegText&, const ParsedFile&)>& edit) {
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    // Another program may change the file meanwhile: it is read, changed and written under
    // the lock, so that neither change is lost.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!takeLock(lock)) {
        return false;
    }
    const FileBytes file = readBytes(path);
    std::optional<RegText> read;
    if (file.status == FileBytes::Absent) {
        read = RegText{};
    } else if (file.status == FileBytes::Read) {
        read = decodeRegText(file.bytes);
    }
    if (!read) {
        return false; // never overwrite what could not be read or understood
    }
    RegText& text = *read;
    const ParsedFile before = parseText(text);
    if (!edit(text, before)) {
        if (file.status == FileBytes::Read) {
            parseCache().put(path, file.stamp, std::make_shared<ParsedFile>(before));
        }
        return true;
    }
    const std::optional<QByteArray> bytes = encodeRegText(text);
    if (!bytes || !writeFileAtomically(path, *bytes)) {
        return false;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        parseCache().put(path, stampOf(st), std::make_shared<ParsedFile>(parseText(text)));
    }
    return true;
}

} // namespace

SettingsStore::SettingsStore(QString userFile, QString defaultsFile)
    : m_userFile(std::move(userFile)), m_defaultsFile(std::move(defaultsFile)) {}

QString dataDirectory() {
    const QString bin =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir::cleanPath(bin + QStringLiteral("/../share/zerva"));
}

SettingsStore SettingsStore::standard() {
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return SettingsStore(config + QStringLiteral("/Zerva/registry.reg"),
                         dataDirectory() + QStringLiteral("/registry.reg"));
}

SettingsFileState SettingsStore::userFileState() const {
    return parsedFile(m_userFile)->state;
}

std::optional<RegValue> SettingsStore::value(RegRoot root, const QString& subKey,
                                             const QString& valueName) const {
    const QString key = fullKey(root, subKey);
    const QString name = valueName.toCaseFolded();
    const auto userFile = parsedFile(m_userFile);
    const ParsedFile& user = *userFile;
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
    const auto defaultsFile = parsedFile(m_defaultsFile);
    const ParsedFile& defaults = *defaultsFile;
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
    // A line break would end the line early and a NUL make the file unreadable: such text
    // has no place in a line of this file.
    for (const QString* part : {&subKey, &valueName, &text}) {
        if (part->contains(QLatin1Char('\n')) || part->contains(QLatin1Char('\r')) ||
            part->contains(QChar(u'\0'))) {
            return false;
        }
    }
    const QString key = fullKey(root, subKey);
    const QString name = valueName.toCaseFolded();
    const QString nameField = valueName.isEmpty()
                                  ? QStringLiteral("@")
                                  : QStringLiteral("\"%1\"").arg(escapeString(valueName));
    const QString entry = nameField + QStringLiteral("=\"%1\"").arg(escapeString(text));
    return changeFile(m_userFile, [&](RegText& file, const ParsedFile&) {
        std::vector<RegLine> out;
        out.reserve(file.lines.size() + 1);
        bool inTarget = false;
        bool written = false;
        int targetSections = 0;
        std::size_t insertAt = 0; // after the last line of the first section of the key
        for (RegLine& line : file.lines) {
            if (const auto section = sectionOf(line.text)) {
                inTarget = !section->deleted && section->key == key;
                if (section->deleted && section->key == key) {
                    continue; // setting a value brings a deleted key back
                }
                out.push_back(std::move(line));
                if (inTarget && ++targetSections == 1) {
                    insertAt = out.size();
                }
                continue;
            }
            if (inTarget) {
                // Every line of this value goes; the first is replaced by the new one.
                if (const auto v = valueLineOf(line.text); v && v->name == name) {
                    if (!written) {
                        out.push_back(newRegLine(entry, lineEndOf(line, file.lineEnd)));
                        written = true;
                    }
                    continue;
                }
                if (targetSections == 1 && !isBlank(line)) {
                    insertAt = out.size() + 1;
                }
            }
            out.push_back(std::move(line));
        }
        if (!written && targetSections > 0) {
            endLine(out[insertAt - 1], file.lineEnd);
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt),
                       newRegLine(entry, file.lineEnd));
            written = true;
        }
        file.lines = std::move(out);
        if (!written) {
            appendSection(file, {QStringLiteral("[%1\\%2]").arg(rootName(root), subKey), entry});
        }
        return true;
    });
}

bool SettingsStore::deleteKey(RegRoot root, const QString& subKey) {
    const QString key = fullKey(root, subKey);
    const auto defaults = parsedFile(m_defaultsFile);
    bool inDefaults = false;
    for (const auto& [k, values] : defaults->keys) {
        inDefaults = inDefaults || isSameOrBelow(k, key);
    }
    // Most often there is nothing to delete, which the parse of the file as it is tells
    // without rewriting anything.
    const auto current = parsedFile(m_userFile);
    if (current->state == SettingsFileState::NotUnderstood) {
        return false;
    }
    const QString prefix = key + QLatin1Char('\\');
    const auto below = current->keys.lower_bound(prefix);
    const bool inUserFile = current->keys.count(key) != 0 ||
                            (below != current->keys.end() && below->first.startsWith(prefix));
    if (!inUserFile && (!inDefaults || hidesKey(*current, key))) {
        return true;
    }
    return changeFile(m_userFile, [&](RegText& file, const ParsedFile& before) {
        std::vector<RegLine> out;
        out.reserve(file.lines.size());
        bool skipping = false;
        bool changed = false;
        for (RegLine& line : file.lines) {
            if (const auto section = sectionOf(line.text)) {
                skipping = !section->deleted && isSameOrBelow(section->key, key);
            }
            if (skipping) {
                changed = true;
            } else {
                out.push_back(std::move(line));
            }
        }
        file.lines = std::move(out);
        if (inDefaults && !hidesKey(before, key)) {
            appendSection(file, {QStringLiteral("[-%1\\%2]").arg(rootName(root), subKey)});
            changed = true;
        }
        return changed;
    });
}

QString settingsNotUnderstoodMessage(const QString& path) {
    // The path is shown left to right in the right-to-left text, its first slash included.
    const QChar leftToRightMark(0x200E);
    return QStringLiteral("فايل تنظيمات شما خوانده نشد و برنامه آن را تغيير نميدهد:") +
           QLatin1Char('\n') + leftToRightMark + QDir::toNativeSeparators(path) +
           QLatin1Char('\n') + QStringLiteral("برنامه با تنظيمات اوليه ادامه ميدهد.");
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

QString installPath(const SettingsStore& store) {
    return RegReadString(store, HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("Path"));
}

} // namespace zerva::common
