#pragma once
// TableReader: a forward walk over the records of a Paradox table in
// block-chain order, one block in memory at a time. The chain is walked and
// its whole records counted when the table is opened (block headers only),
// no further than the header's last block and count of blocks; records the
// file does not hold whole, and blocks a damaged chain no longer reaches,
// are set aside as damaged rows.

#include "BlobFile.h"
#include "ReadWindow.h"
#include "TableHeader.h"

#include "platform/ado/ColumnInfo.h"
#include "platform/ado/DamagedRows.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/Variant.h"
#include "platform/encoding/TextCodec.h"
#include "platform/files/File.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace tw::paradox {

class TableReader {
public:
    // Opens the .db at a real (native) path and finds its .mb beside it in
    // any letter case. RuntimeError naming the file when it cannot be read or
    // its header is damaged beyond reading. `readCodePage`, when not 0 and
    // convertible here, is the code page the text and field names are read
    // in whatever the header names.
    explicit TableReader(const QString &dbPath, int readCodePage = 0);
    // Stays where it is made: its read window refers to its file.
    TableReader(const TableReader &) = delete;
    TableReader &operator=(const TableReader &) = delete;

    const TableHeader &header() const { return m_header; }
    const std::vector<tw::ado::ColumnInfo> &columns() const { return m_columns; }
    // Whole records the walk returns (the header's count is not trusted).
    qint64 rowCount() const { return m_rowCount; }
    // Where the chain or its blocks are damaged, and the rows lost there;
    // complete once the reader is made.
    const tw::ado::DamagedRows &damagedRows() const { return m_damaged; }
    // What the reader read past in the header, one line each.
    const QStringList &warnings() const { return m_warnings; }
    // The bytes from one record to the next.
    int recordSize() const { return m_recordSize; }
    int codePage() const { return m_codec->codePage(); }
    // Text whose bytes the page gives back as they are is kept as those bytes
    // (ado::Variant::setStoredText) instead of decoded: for a copy into a
    // table of the same page.
    void setTextKeptAsStored(bool keep) { m_keepStored = keep; }
    // The code page the table is read in as a cursor reports it: 0 for a
    // table whose header has none (read as Windows-1252) unless one was chosen.
    int namedCodePage() const { return m_chosenCodePage || m_header.codePage ? m_codec->codePage() : 0; }

    // Fills row with the next record; false at the end.
    bool next(std::vector<tw::ado::Variant> &row);
    // Moves the walk to record `row` (0-based of rowCount()) without reading
    // the blocks before it; false past the end.
    bool seek(qint64 row);
    // Starts lostValues() afresh (a reader reading rows by position keeps
    // those of the row it read last).
    void forgetLostValues() { m_lost = {}; }

    // The ADO type a field reports.
    static tw::ado::ColumnInfo columnInfo(const FieldDef &field);

    // Values that could not be read (a date or time no calendar holds, a
    // number that is none, a damaged blob pointer) and were given as Null.
    const tw::ado::LostValues &lostValues() const { return m_lost; }
    // Texts whose stored bytes the table's code page does not read as a text
    // it writes back the same: they arrive changed, counted with their bytes.
    const tw::ado::LostValues &changedValues() const { return m_changed; }

private:
    struct ChainBlock {
        int number;
        int records;
        int addDataSize = 0;
        qint64 present = 0; // bytes of the block the file holds
    };
    [[noreturn]] void fail(const QString &problem) const;
    qint64 blockOffset(int number) const;
    // Block `number`, valid until the next call.
    const unsigned char *readBlock(int number);
    // Its first kBlockHeaderSize bytes, read on their own (the whole block
    // when the table is encrypted), so that opening a large table does not
    // read all of it.
    const unsigned char *readBlockHeader(int number);
    void walkChain();
    // The blocks a chain reaches from `number` that the walk has not seen
    // (marking them seen), up to the end of the file or a loop.
    int countBlocksFrom(int number, std::vector<bool> &seen, int blocksInFile, qint64 headerBytes);
    // The record size the blocks were written with, when the header's and
    // the fields' differ.
    void chooseRecordSize();
    void countRecords();
    void setAside(const QString &where, qint64 offset, const QString &reason, qint64 rows);
    void decodeRecord(const unsigned char *record, std::vector<tw::ado::Variant> &row);
    // False, with *damage saying why, when the value cannot be read.
    bool decodeBlob(const FieldDef &field, const unsigned char *data, tw::ado::Variant &out, QString *damage);
    // `file`: the .mb, when it is what could not give the value.
    void loseValue(const FieldDef &field, tw::ado::Variant &out, const QString &value, const QString &reason,
                   const QString &file = {});
    // An alpha field's or memo's stored bytes into out: kept as they are where
    // the page gives them back (Variant::setStoredText), else decoded and checked.
    void readText(const FieldDef &field, QByteArrayView stored, tw::ado::Variant &out);
    // Counts the text `out` read from `stored` as changed when it does not give the bytes back.
    void checkText(const FieldDef &field, QByteArrayView stored, const tw::ado::Variant &out);

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
    bool m_keepStored = false;
    bool m_chosenCodePage = false; // read in the page the caller chose
    std::unique_ptr<BlobFile> m_blobs;
    bool m_hasBlobFields = false;
    std::vector<tw::ado::ColumnInfo> m_columns;
    std::vector<ChainBlock> m_chain;
    std::vector<qint64> m_chainStarts; // the first record of each chain block, made by the first seek()
    qint64 m_rowCount = 0;
    int m_recordSize = 0;
    tw::ado::DamagedRows m_damaged;
    QStringList m_warnings;

    // Walk state.
    size_t m_chainIndex = 0;
    int m_recordInBlock = 0;
    const unsigned char *m_block = nullptr; // the block the walk is in, from readBlock
    qint64 m_recordNumber = 0;
    tw::ado::LostValues m_lost;
    tw::ado::LostValues m_changed;
};

} // namespace tw::paradox
