#pragma once
// BlobFile: reads the values of memo and blob fields out of a table's .mb
// file, checking every pointer, header and length against the file.

#include "FieldCodec.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tw::paradox {

class BlobFile {
public:
    // Opens the file; RuntimeError naming it when it cannot be read or is not
    // a blob file. encryption is the table's key (0 when not encrypted).
    BlobFile(const QString &path, quint32 encryption);

    const QString &path() const { return m_path; }
    qint64 size() const { return m_size; }

    // The value a blob field points at. Graphics lose the 8 bytes that
    // precede the image. RuntimeError naming the .mb and the problem.
    QByteArray read(const BlobRef &ref, FieldType type);

private:
    QByteArray readRange(qint64 offset, qint64 length);
    [[noreturn]] void fail(const QString &problem) const;

    QString m_path;
    QString m_name;
    QFile m_file;
    qint64 m_size = 0;
    quint32 m_encryption = 0;
};

} // namespace tw::paradox
