#pragma once
// BlobFile: reads the values of memo and blob fields out of a table's .mb
// file, checking every pointer, header and length against the file.

#include "FieldCodec.h"
#include "ReadWindow.h"

#include "platform/files/File.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace tw::paradox {

class BlobFile {
public:
    // Opens the file; RuntimeError naming it when it cannot be read or is not
    // a blob file. encryption is the table's key (0 when not encrypted).
    BlobFile(const QString &path, quint32 encryption);
    // Stays where it is made: its read window refers to its file.
    BlobFile(const BlobFile &) = delete;
    BlobFile &operator=(const BlobFile &) = delete;

    const QString &path() const { return m_path; }
    qint64 size() const { return m_size; }

    // Points *value at the value a blob field points at, valid until the
    // next call; graphics lose the 8 bytes that precede the image. False when
    // the pointer or what it points at is damaged (into the header, past the
    // end, at a block that holds no such value, a length that runs past the
    // file): *damage then says how, naming the .mb. RuntimeError naming the
    // .mb when the file cannot be read.
    bool read(const BlobRef &ref, FieldType type, QByteArrayView *value, QString *damage);

private:
    bool inFile(qint64 offset, qint64 length) const;
    // Bytes that are in the file (inFile), valid until the next call.
    QByteArrayView readRange(qint64 offset, qint64 length);
    [[noreturn]] void fail(const QString &problem) const;
    bool damaged(QString *damage, const QString &problem) const;

    QString m_path;
    QString m_name;
    tw::files::File m_file;
    qint64 m_size = 0;
    quint32 m_encryption = 0;
    // Values are read through the window; one larger than it gets a buffer of
    // its own, released at the next read.
    std::unique_ptr<ReadWindow> m_window;
    QByteArray m_large;
};

} // namespace tw::paradox
