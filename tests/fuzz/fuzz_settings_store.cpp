// The settings store's REGEDIT4 reader on any user file, asked for the keys and values the
// file names: a read is "Not Found" or what fits the 2048-byte buffer. Then a string is set in a
// copy of the file and must read back as set; a file the store cannot understand must refuse
// the change and stay as it was.
#include "common/settings_store.h"
#include "tests/fuzz/fuzz_support.h"

#include <QStringList>

using namespace zerva;
using namespace zerva::common;

namespace {

constexpr RegRoot kRoots[] = {RegRoot::HKEY_CLASSES_ROOT, RegRoot::HKEY_CURRENT_USER,
                              RegRoot::HKEY_LOCAL_MACHINE, RegRoot::HKEY_USERS};

// A key path below a root: the header's text after its first backslash.
QString subKeyOf(const QString& header) {
    const qsizetype slash = header.indexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : header.mid(slash + 1);
}

// Printable ASCII without the characters that end a name in the file.
QString plainText(FuzzedDataProvider& in, std::size_t max) {
    QString out;
    for (const char c : in.ConsumeRandomLengthString(max)) {
        if (c >= 0x20 && c < 0x7F && c != '[' && c != ']' && c != '\\') {
            out += QLatin1Char(c);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    fuzz::writeWorkFile(QStringLiteral("user.reg"), bytes);
    const SettingsStore store(fuzz::workPath(QStringLiteral("user.reg")), QString());

    QStringList subKeys{kProductKey};
    QStringList names{QString(), QStringLiteral("Path")};
    for (const QString& raw : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            subKeys << subKeyOf(t.mid(1, t.size() - 2));
        } else if (t.startsWith(QLatin1Char('"'))) {
            const qsizetype end = t.indexOf(QLatin1Char('"'), 1);
            names << t.mid(1, end < 0 ? -1 : end - 1);
        }
        if (subKeys.size() + names.size() > 40) {
            break;
        }
    }
    for (const RegRoot root : kRoots) {
        for (const QString& k : subKeys) {
            for (const QString& n : names) {
                const QString v = RegReadString(store, root, k, n);
                // At most the buffer's 2048 bytes, as hexadecimal digits for raw bytes.
                ZERVA_FUZZ_CHECK(v == kNotFound || v.size() <= 2 * 2048);
            }
        }
    }

    // Setting a value in a plain key: it reads back whatever else the file holds.
    FuzzedDataProvider in(data, size);
    const RegRoot root = kRoots[in.ConsumeIntegralInRange<int>(0, 3)];
    QString subKey = plainText(in, 40).trimmed();
    const QString name = plainText(in, 20);
    const QString text = plainText(in, 40);
    if (subKey.isEmpty()) {
        subKey = kProductKey;
    }
    SettingsStore copy(fuzz::workPath(QStringLiteral("copy.reg")), QString());
    fuzz::writeWorkFile(QStringLiteral("copy.reg"), bytes);
    if (copy.userFileState() == SettingsFileState::NotUnderstood) {
        // A file the store cannot understand is never written.
        ZERVA_FUZZ_CHECK(!copy.setString(root, subKey, name, text));
        ZERVA_FUZZ_CHECK(fuzz::readWorkFile(QStringLiteral("copy.reg")) == bytes);
        return 0;
    }
    ZERVA_FUZZ_CHECK(copy.setString(root, subKey, name, text));
    const auto v = copy.value(root, subKey, name);
    ZERVA_FUZZ_CHECK(v && v->type == 1 && v->text == text);
    return 0;
}
