#pragma once
// TableWriter: writes a new unkeyed Paradox 5.x table (.db, and .mb when it
// has memo or blob fields) row by row, in the code page it is given when
// Paradox has a sort order for it, else in Windows-1252. The files are
// written under temporary "~tw" names in the target folder and renamed into
// place by finish() (over an existing table only with the permission of the
// drop that held it back, see ado::TableReplacement); abandon(), a failure or
// destruction before finish()
// deletes them, so a table is never left half written. Temporaries of writers
// that died (killed, power lost) are deleted by the next writer in the folder.

#include "BlobWriter.h"
#include "SortOrders.h"
#include "TableHeader.h"
#include "WriteBuffer.h"

#include "platform/ado/LostValues.h"
#include "platform/ado/TableReplacement.h"
#include "platform/ado/Variant.h"
#include "platform/encoding/FieldNames.h"
#include "platform/encoding/TextCodec.h"
#include "platform/files/File.h"
#include "platform/files/StagedTable.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tw::paradox {

using encoding::TextCodec;

struct NewField {
    QString name; // 1-25 bytes, unique without regard to case (see fieldNameRule())
    FieldType type = FieldType::Alpha;
    int size = 0;     // A, Y: width 1-255. M, B, F, O, G: leader 0-240 (M: 1-240), 0 = kDefaultLeader
    int decimals = 0; // #: 0-32 digits after the point
};

class TableWriter {
public:
    // Leader given to memo and blob fields whose size is 0.
    static constexpr int kDefaultLeader = 10;
    static constexpr int kPreferredBlockSize = 4096;

    // folder: a path text (Windows or native separators); table: "name" or
    // "name.db". RuntimeError when the folder is missing, the table exists,
    // or a column definition is invalid. expectedRows, when known, lets the
    // writer pick blocks larger than 4 KiB where 65,535 blocks of 4 KiB
    // would not hold that many rows. codePage: the code page of the table's
    // text and names (see tableCodePage()).
    // The files are limited to what their format holds (65,535 blocks per
    // table, a blob file below 2 GiB, or a test's lower size, see
    // FaultPlan::formatFileLimit): expectedRows that cannot fit are refused
    // here, and a row that would pass a limit fails (kErrPastFormatLimit).
    // replacement: the permission of a held drop; the table replaces an
    // existing one only when it names that table's .db (the writer claims
    // it at once, and takes it when finish() puts the table in its place).
    TableWriter(const QString &folder, const QString &table, const std::vector<NewField> &columns,
                qint64 expectedRows = 0, int codePage = 0,
                std::shared_ptr<tw::ado::TableReplacement> replacement = nullptr);
    // Refuses, as the constructor would and without touching a file, a table
    // of these columns that cannot hold expectedRows rows, or cannot have
    // these columns at all.
    static void requireRoom(const QString &table, const std::vector<NewField> &columns, qint64 expectedRows,
                            int codePage = 0);
    ~TableWriter();
    TableWriter(const TableWriter &) = delete;
    TableWriter &operator=(const TableWriter &) = delete;

    // The code page a table written for text of this code page gets: the
    // page itself when Paradox has a sort order for it, else Windows-1252
    // (also for 0, no code page).
    static int tableCodePage(int codePage);

    const std::vector<FieldDef> &fields() const { return m_fields; }
    int codePage() const { return m_codec->codePage(); }
    int blockSize() const { return m_blockSize; }

    // Rows the table can hold at most.
    qint64 capacity() const { return qint64(m_blockLimit) * m_recordsPerBlock; }

    // Appends one row (missing trailing values are Null), converting each
    // value to its field's type. On any failure (a value that cannot be
    // converted, a write error) the writer abandons the table and rethrows.
    void appendRow(const std::vector<tw::ado::Variant> &row);
    // Completes the header, closes the files and renames them into place.
    void finish();
    // Deletes the temporaries; nothing of the table remains.
    void abandon();

    qint64 rowCount() const { return m_rows; }
    // Characters the table's code page cannot hold, written as "?".
    qint64 unmappedCharacters() const { return m_unmapped; }
    // Values their field cannot hold, written as Null.
    const tw::ado::LostValues &lostValues() const { return m_lost; }
    // Real paths the table gets.
    const QString &dbPath() const { return m_dbPath; }
    QString mbPath() const { return m_mbPath; }

private:
    // The table's name and code page alone, for requireRoom(): no file is touched.
    TableWriter(const QString &table, int codePage);
    void defineFields(const std::vector<NewField> &columns, qint64 expectedRows);
    // Rows per block and the blocks the table may have, for m_blockSize.
    void layOutBlocks();
    // The failure of a table that needs `blocks` blocks, more than it may have.
    [[noreturn]] void failBlocks(qint64 blocks, qint64 rows) const;
    QByteArray encodeHeader() const;
    void encodeRecord(const std::vector<tw::ado::Variant> &row, unsigned char *record);
    void flushBlock(bool last);
    void requireOpen() const;
    [[noreturn]] void fail(const QString &problem) const;
    // True when the permission handed over names the existing table `dbPath`.
    bool mayReplace(const QString &dbPath) const { return m_replacement && m_replacement->allows(dbPath); }

    QString m_folder;
    QString m_tableName; // as stored in the header ("name.db")
    QString m_dbPath, m_mbPath, m_tempDb, m_tempMb;
    std::vector<FieldDef> m_fields;
    int m_recordSize = 0;
    int m_blockSize = 0;
    int m_headerSize = 0;
    int m_recordsPerBlock = 0;
    int m_blockLimit = db::kMaxBlocksPerTable;
    bool m_hasBlobs = false;
    bool m_hasAutoIncrement = false;
    qint64 m_maxAutoIncrement = 0;
    const TextCodec *m_codec = nullptr;
    SortOrder m_sortOrder = kSortOrder1252;
    // The temporaries (locked from before the .db's first byte until they are
    // renamed or deleted), and the .db being written.
    std::optional<tw::files::StagedTable> m_staged;
    tw::files::File m_file;
    std::unique_ptr<WriteBuffer> m_out; // the blocks, after the header's room
    std::unique_ptr<BlobWriter> m_blobs;
    QByteArray m_block;
    QByteArray m_blobScratch; // a blob value converted for the .mb
    int m_inBlock = 0;
    int m_blocksWritten = 0;
    qint64 m_rows = 0;
    qint64 m_unmapped = 0;
    tw::ado::LostValues m_lost;
    bool m_open = false;
    std::shared_ptr<tw::ado::TableReplacement> m_replacement;
};

// Paradox's rule for field names: any character but control characters,
// brackets, braces and parentheses, no leading blank, no "->", not "#"
// alone (each becomes "_"); at most 25 bytes.
encoding::NameRule fieldNameRule();
// Field names as a table of this code page can have them, by fieldNameRule(),
// unique without regard to case (a collision gets a number at its end).
QStringList fitFieldNames(const QStringList &names, const TextCodec &codec);

} // namespace tw::paradox
