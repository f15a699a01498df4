// The suite's one way to write a file: whole or not at all. The bytes go to a temporary file
// in the target's folder; every write is checked; at commit the data is synced, the file takes
// the replaced file's permissions (never its set-user-ID or set-group-ID bits) and is renamed
// over the target, and the folder is synced. Any failure before the rename leaves the old file
// byte for byte. The temporary file has no name while it is written where the file system
// allows it; elsewhere its name starts with a dot and says what it is
// (".NAME.zerva-unfinished-XXXXXX"), so it is never taken for a file of the user's.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace zerva::common {

class AtomicFile {
public:
    // A target that is a symbolic link is written through: the link stays, the file it
    // names is replaced.
    enum class Temporary { Unnamed, Named };
    // Named makes the temporary file a hidden named one even where an unnamed one is possible
    // (the way file systems without unnamed files are written).
    explicit AtomicFile(const QString& path, Temporary temporary = Temporary::Unnamed);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile(); // an uncommitted file is discarded

    // Creates the temporary file. Refuses a target that exists and is not a regular file.
    bool open();
    // Writes all n bytes (retrying short writes); false once any write failed. May be called
    // from another thread than open() and commit(), one caller at a time.
    bool write(const char* data, qsizetype n);
    bool write(QByteArrayView bytes) { return write(bytes.data(), bytes.size()); }
    // Syncs, sets the permissions, renames over the target and syncs the folder. False, with
    // the old file untouched, when anything before the rename failed.
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void discard();

    bool failed() const { return m_failed; }
    QString errorString() const { return m_error; }
    // The file that commit() replaces (the symbolic link's target, if any).
    QString targetPath() const { return m_target; }

private:
    bool fail(const QString& what, int err);

    QString m_target;
    QString m_tempName; // set while the temporary file has a name of its own
    Temporary m_temporary;
    static constexpr qint64 kWritebackStep = 8 * 1024 * 1024;
    int m_fd = -1;
    qint64 m_written = 0;       // bytes written so far
    qint64 m_writebackFrom = 0; // where the disk has not yet been asked to store them
    bool m_unnamed = false;
    bool m_failed = false;
    QString m_error;
};

struct WriteOutcome {
    bool ok = false;
    QString error; // the system's words, for logs and tools; programs show their own message
    explicit operator bool() const { return ok; }
};

// Writes bytes to path through an AtomicFile.
WriteOutcome writeFileAtomically(const QString& path, QByteArrayView bytes);

// Copies the regular file source over target through an AtomicFile, in bounded blocks.
WriteOutcome copyFileAtomically(const QString& source, const QString& target);

} // namespace zerva::common
