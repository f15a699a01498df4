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
inline const QString kCodePageKey = QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\CodePage");
inline const QString kPreloadKey = QStringLiteral("Keyboard Layout\\Preload");

// A value as stored in a file.
struct RegValue {
    int type = 1;       // 1 string, 2 expandable string, 3 raw bytes, 4 32-bit number, ...
    QString text;       // type 1, written as "text"
    QByteArray bytes;   // hex: and hex(N): values
    std::uint32_t number = 0; // dword: values
};

// Two REGEDIT4 files: the user's (read first, the only one written) and the defaults
// installed with the programs. Files are read afresh on every call: nothing is cached, so
// a change made by another program is seen at once.
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

    // Sets a string value in the user's file.
    bool setString(RegRoot root, const QString& subKey, const QString& valueName,
                   const QString& text);

    // Deletes a key and its subkeys as seen by readers: removed from the user's file, and
    // hidden with a deletion entry where the defaults hold it. False when the user's file
    // could not be written.
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

// The folder holding this program's data (share/zerva beside bin/).
QString dataDirectory();

} // namespace zerva::common
