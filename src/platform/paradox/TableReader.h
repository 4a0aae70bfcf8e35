#pragma once
// TableReader: a forward walk over the records of a Paradox table in
// block-chain order, one block in memory at a time. The chain is checked and
// its records counted when the table is opened (block headers only).

#include "BlobFile.h"
#include "ReadWindow.h"
#include "TableHeader.h"

#include "platform/ado/ColumnInfo.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/Variant.h"
#include "platform/encoding/TextCodec.h"
#include "platform/files/File.h"

#include <QString>

#include <memory>
#include <vector>

namespace tw::paradox {

class TableReader {
public:
    // Opens the .db at a real (native) path and finds its .mb beside it in
    // any letter case. RuntimeError naming the file when it cannot be read,
    // its header is damaged, or its block chain loops or leaves the file.
    explicit TableReader(const QString &dbPath);
    // Stays where it is made: its read window refers to its file.
    TableReader(const TableReader &) = delete;
    TableReader &operator=(const TableReader &) = delete;

    const TableHeader &header() const { return m_header; }
    const std::vector<tw::ado::ColumnInfo> &columns() const { return m_columns; }
    // Records the walk returns (the header's count is not trusted).
    qint64 rowCount() const { return m_rowCount; }
    int codePage() const { return m_codec->codePage(); }

    // Fills row with the next record; false at the end.
    bool next(std::vector<tw::ado::Variant> &row);

    // The ADO type a field reports.
    static tw::ado::ColumnInfo columnInfo(const FieldDef &field);

    // Values that could not be read (a date or time no calendar holds) and
    // were given as Null.
    const tw::ado::LostValues &lostValues() const { return m_lost; }

private:
    struct ChainBlock {
        int number;
        int records;
    };
    [[noreturn]] void fail(const QString &problem) const;
    // Block `number`, valid until the next call.
    const unsigned char *readBlock(int number);
    // Its first kBlockHeaderSize bytes, read on their own (the whole block
    // when the table is encrypted), so that opening a large table does not
    // read all of it.
    const unsigned char *readBlockHeader(int number);
    void walkChain();
    void decodeRecord(const unsigned char *record, std::vector<tw::ado::Variant> &row);
    void decodeBlob(const FieldDef &field, const unsigned char *data, tw::ado::Variant &out);

    QString m_path;
    QString m_name;
    QString m_mbPath;
    tw::files::File m_file;
    qint64 m_fileSize = 0;
    std::unique_ptr<ReadWindow> m_window;
    QByteArray m_decrypted; // the last block read, when the table is encrypted
    unsigned char m_blockHeader[db::kBlockHeaderSize] = {};
    TableHeader m_header;
    const encoding::TextCodec *m_codec = nullptr;
    std::unique_ptr<BlobFile> m_blobs;
    bool m_hasBlobFields = false;
    std::vector<tw::ado::ColumnInfo> m_columns;
    std::vector<ChainBlock> m_chain;
    qint64 m_rowCount = 0;

    // Walk state.
    size_t m_chainIndex = 0;
    int m_recordInBlock = 0;
    const unsigned char *m_block = nullptr; // the block the walk is in, from readBlock
    qint64 m_recordNumber = 0;
    tw::ado::LostValues m_lost;
};

} // namespace tw::paradox
