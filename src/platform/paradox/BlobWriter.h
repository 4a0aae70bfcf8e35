#pragma once
// BlobWriter: builds the .mb file of a table being written. Values of up to
// 2,048 bytes share sub-allocated (type 3) blocks; larger ones get blocks of
// their own (type 2). Only the open sub-allocated block is held in memory.

#include "FieldCodec.h"
#include "WriteBuffer.h"

#include "platform/files/File.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace tw::paradox {

class BlobWriter {
public:
    // Creates the file (it must not exist) and writes its header block.
    // `shownName` names the file in messages ("CUSTOMER.mb"), `table` its table.
    BlobWriter(const QString &path, const QString &shownName, const QString &table);

    // Stores one value (graphics with their 8-byte prefix already in front)
    // and returns where it went. An empty value is not stored. ownBlock puts
    // a small value in a block of its own too (graphics: pxlib misreads
    // graphics in sub-allocated blocks).
    // A value that would carry the file past sizeLimit() is refused
    // (kErrPastFormatLimit).
    BlobRef write(QByteArrayView data, bool ownBlock = false);
    // The most bytes the file may grow to: its format's limit, or a test's lower one.
    qint64 sizeLimit() const { return m_limit; }
    // Writes the open sub-allocated block and closes the file.
    void finish();
    const QString &path() const { return m_path; }

private:
    void closeSubBlock();
    // Throws the failure of a file that would end at `end` bytes, past the limit.
    void requireRoom(qint64 end) const;

    QString m_path;
    QString m_shownName;
    QString m_table;
    qint64 m_limit = mb::kMaxFileBytes;
    tw::files::File m_file;
    // Blocks are appended in order; the open sub-allocated block has its room
    // there and is written into it when it closes.
    std::unique_ptr<WriteBuffer> m_out;
    qint64 m_nextBlock = 1; // the header block is block 0
    QByteArray m_sub;       // the open sub-allocated block
    bool m_subOpen = false;
    qint64 m_subOffset = 0;
    int m_subNextChunk = 0;
    int m_subNextEntry = 0;
};

} // namespace tw::paradox
