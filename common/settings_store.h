// The settings store: REGEDIT4 text files standing in for the registry, and RegReadString.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace zerva::common {

// Registry roots, with the handle values callers pass to RegReadString.
enum class RegRoot : std::uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
};

inline constexpr auto HKEY_CURRENT_USER = RegRoot::HKEY_CURRENT_USER;
inline constexpr auto HKEY_LOCAL_MACHINE = RegRoot::HKEY_LOCAL_MACHINE;

// What a read yields for anything missing or unreadable.
inline const QString kNotFound = QStringLiteral("Not Found");

// The product's key and the system keys the programs read.
inline const QString kProductKey = QStringLiteral("Software\\Zerva\\Zerva 2001");
inline const QString kCodePageKey =
    QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\CodePage");
inline const QString kPreloadKey = QStringLiteral("Keyboard Layout\\Preload");

// A value as stored in a file.
struct RegValue {
    int type = 1;             // 1 string, 2 expandable string, 3 raw bytes, 4 32-bit number, ...
    QString text;             // type 1, written as "text"
    QByteArray bytes;         // hex: and hex(N): values
    std::uint32_t number = 0; // dword: values
};

// What a program finds in a settings file.
enum class SettingsFileState {
    Absent,        // no file: nothing set
    Understood,    // a registry export file this store reads
    NotUnderstood, // unreadable or not such a file: it is read as empty and never written
};

// Two registry export files: the user's (read first, the only one written) and the defaults
// installed with the programs. Files in UTF-8, code page 1256 ("REGEDIT4") and UTF-16 with a
// byte order mark ("Windows Registry Editor Version 5.00") are read, with any line ends; a
// file is written back in its own encoding, header and line ends, with the lines that were
// not changed as they were. A parse is reused while the file stays unchanged (same inode,
// size and times), so a change by another program is seen at the next read.
class SettingsStore {
public:
    SettingsStore(QString userFile, QString defaultsFile);

    // The store every program uses: the user's registry.reg in the configuration folder of
    // the organisation "Zerva", and share/zerva/registry.reg beside the executable's bin/.
    static SettingsStore standard();

    const QString& userFile() const { return m_userFile; }
    const QString& defaultsFile() const { return m_defaultsFile; }

    // The stored value, the user's file first; nothing when the key or value is missing.
    std::optional<RegValue> value(RegRoot root, const QString& subKey,
                                  const QString& valueName) const;

    // Whether the user's file can be read and changed; programs that write the store say so
    // at start when it cannot.
    SettingsFileState userFileState() const;

    // The changes below read the user's file, change it and write it back atomically, all
    // under a lock file beside it (NAME.lock), so that concurrent writers lose nothing. They
    // return false, leaving the file as it was, when it could not be read, understood or
    // written, or when another program held the lock for 10 seconds.

    // Sets a string value in the user's file. False also when the file is in code page 1256
    // and the text has a character that the code page lacks, and for a line break or a NUL
    // in the key, the name or the text.
    bool setString(RegRoot root, const QString& subKey, const QString& valueName,
                   const QString& text);

    // Deletes a key and its subkeys as seen by readers: removed from the user's file, and
    // hidden with a deletion entry where the defaults hold it. True when there was nothing to
    // delete.
    bool deleteKey(RegRoot root, const QString& subKey);

private:
    QString m_userFile;
    QString m_defaultsFile;
};

// Reads one value as text, or "Not Found". Never fails: any error gives "Not Found".
// Strings come back without their terminating null, raw bytes as upper-case hex pairs,
// numbers as their whole decimal value; a value of 2048 bytes or more is "Not Found".
QString RegReadString(const SettingsStore& store, RegRoot root, const QString& subKey,
                      const QString& valueName);

// The same on the standard store.
QString RegReadString(RegRoot root, const QString& subKey, const QString& valueName);

// The installed data folder: "Path" of the product key, or "Not Found".
QString installPath(const SettingsStore& store);

// The message shown at start when the user's settings file is not understood.
QString settingsNotUnderstoodMessage(const QString& path);

// The folder holding this program's data (share/zerva beside bin/).
QString dataDirectory();

} // namespace zerva::common
