#pragma once
// File: an open file read and written at explicit offsets, so that every write
// reaches the system at once and readers in this or any other process see it.
// It can hold an exclusive lock while it is open. Failures are FileErrors
// naming the file. The calls into the system are in File<System>.cpp; what
// every system shares (messages, planned faults) is in FileSystem.cpp.

#include "platform/ado/RuntimeError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tw::files {

// FileError: how the file layer fails (kind File). The text names the file;
// reason() is the system's word alone ("No space left on device"), for callers
// that name the file their own way.
class FileError : public ado::RuntimeError {
public:
    FileError(int number, const QString &description, const QString &reason)
        : RuntimeError(Kind::File, number, description), m_reason(reason)
    {
    }
    const QString &reason() const { return m_reason; }

private:
    QString m_reason;
};

class File {
public:
    enum class Mode {
        Read,      // an existing file, for reading
        ReadWrite, // an existing file, for reading and writing
        CreateNew, // a new file, for reading and writing; refused (58) when the name exists
    };

    File() = default;
    // Opens the real path `path` (no letter-case resolution). Messages name the
    // file by its last component, or by `shownName` when one is given.
    // Refused: 53 no such file, 76 no such folder (CreateNew), 58 exists,
    // 70 permission denied, 5 otherwise and for a folder.
    File(const QString &path, Mode mode, const QString &shownName = {});
    ~File();
    File(File &&other) noexcept;
    File &operator=(File &&other) noexcept;
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    bool isOpen() const { return m_handle != kNoHandle; }
    const QString &path() const { return m_path; }
    // The file's name in messages: the shown name, else the last component.
    QString name() const;
    qint64 size() const;

    // Reads up to `size` bytes at `offset`; fewer only at the end of the file.
    qint64 readAt(qint64 offset, char *data, qint64 size) const;
    // Reads exactly `size` bytes or throws naming `what`.
    QByteArray readExactly(qint64 offset, qint64 size, const char *what) const;
    void writeAt(qint64 offset, const char *data, qint64 size);
    void writeAt(qint64 offset, const QByteArray &bytes) { writeAt(offset, bytes.constData(), bytes.size()); }
    void truncate(qint64 size);
    // Takes an exclusive lock on the file without waiting: true when this File
    // now holds it (until it is closed), false while someone else does. Locks
    // are advisory: they keep out only those who ask for one too.
    bool tryLock();
    void close();

private:
    friend class MappedView;
    using Handle = std::intptr_t; // a descriptor, or what the system calls a handle
    static constexpr Handle kNoHandle = -1;

    // Messages every system words alike.
    [[noreturn]] static void failOpen(const QString &path, Mode mode, int number, const QString &reason);
    [[noreturn]] static void failFolder(const QString &path);
    [[noreturn]] void failSize(const QString &reason) const;
    [[noreturn]] void failRead(qint64 offset, const QString &reason) const;
    [[noreturn]] void failWrite(qint64 offset, const QString &reason) const;
    [[noreturn]] void failTruncate(const QString &reason) const;
    // Planned faults (FaultPlan): throws when reads of this file are to fail.
    void checkPlannedRead(qint64 offset) const;
    // How many of `size` bytes at `offset` may be written before a planned
    // full disk; `size` when none is planned. Counts them as written.
    qint64 plannedWriteRoom(qint64 offset, qint64 size) const;
    [[noreturn]] void failPlannedWrite(qint64 offset) const;

    Handle m_handle = kNoHandle;
    bool m_locked = false; // tryLock succeeded (Windows' locks do not stack: it is asked once)
    QString m_path;
    QString m_shownName;
};

} // namespace tw::files
