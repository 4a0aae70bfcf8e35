#pragma once
// TableReader: a forward walk over the records of one .dbf (with its memo
// file), reading the file in chunks so that memory stays flat whatever the
// record count. It walks the records the header counts that the file holds
// whole, sets the others aside as damaged rows, and skips deleted records.
// A damaged value (a memo pointer that leads nowhere, a number or date that
// is none) reads as Null and is counted in lostValues().

#include "CodePageMarks.h"
#include "DbfHeader.h"
#include "DbtMemoFile.h"
#include "MemoFile.h"
#include "RawFile.h"

#include "platform/ado/ColumnInfo.h"
#include "platform/ado/DamagedRows.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/Variant.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tw::foxpro {

class TableReader {
public:
    // Opens the table at the real path `path` (a .dbf, or a .dbc read as a
    // table). RuntimeError naming the file when it is missing, damaged, or
    // needs a memo file that is not there. `readCodePage`, when not 0 and
    // convertible here, is the code page the text is read in whatever the
    // header's mark says.
    explicit TableReader(const QString &path, int readCodePage = 0);

    const DbfHeader &header() const { return m_header; }
    const TextCodec &codec() const { return *m_codePage; }
    // Text whose bytes the page gives back as they are is kept as those bytes
    // (ado::Variant::setStoredText) instead of decoded: for a copy into a
    // table of the same page.
    void setTextKeptAsStored(bool keep) { m_keepStored = keep; }
    // The code page the text is read in; 0 when the header has no mark it
    // knows and none was chosen.
    int codePage() const
    {
        return m_chosenCodePage || codePageOfMark(m_header.codePageMark) ? m_codePage->codePage() : 0;
    }
    // File name for messages.
    const QString &fileName() const { return m_fileName; }
    const QString &path() const { return m_path; }

    // Indexes (into header().fields) of the fields a row shows: all but _NullFlags.
    const std::vector<int> &visibleFields() const { return m_visible; }
    // One ColumnInfo per visible field, named by the DBF field name.
    std::vector<ado::ColumnInfo> columns() const;

    // The number of live (not deleted) records among the header's count; the
    // first call reads the deletion marks of the whole file.
    qint64 liveCount() const;

    // Moves to the next live record; false at the end. recordNumber() is then
    // its 1-based number.
    bool next();
    // Like next(), deleted records included; isDeleted() tells them apart.
    bool nextAny();
    // Moves to the record at `index` (0-based among wholeRecordCount(),
    // deleted or not) without reading those before it; false past the end.
    bool moveTo(qint64 index);
    qint64 recordNumber() const { return m_current + 1; }
    bool isDeleted() const;
    // The current record's bytes (recordLength of them).
    const char *record() const { return m_recordPtr; }

    // Value of field `index` (into header().fields) of the current record.
    ado::Variant value(int index) const;
    // The same into out, reusing its text memory.
    void valueInto(int index, ado::Variant &out) const;
    // Values of the visible fields of the current record.
    void values(std::vector<ado::Variant> &row) const;

    // Values that could not be read (a date, number or logical field holding
    // something else, a memo pointer that leads nowhere) and were given as Null.
    const ado::LostValues &lostValues() const { return m_lost; }
    // Starts lostValues() afresh (a reader reading rows by position keeps
    // those of the row it read last).
    void forgetLostValues() const { m_lost = {}; }
    // Texts whose stored bytes the table's code page does not read as a text
    // it writes back the same (an undefined byte, a converter that loses a
    // character): they arrive changed, counted here with their bytes.
    const ado::LostValues &changedValues() const { return m_changed; }
    // Records the header counts that the file does not hold whole; known on opening.
    const ado::DamagedRows &damagedRows() const { return m_damaged; }
    // What was read past in the header (a record length that differs from
    // the fields'), one line each.
    const QStringList &warnings() const { return m_warnings; }
    // The records walked: those the header counts that the file holds whole.
    qint64 wholeRecordCount() const { return m_recordCount; }

private:
    // Opens the memo file the table's type calls for, beside `path`.
    void openMemoFile(const QString &path);
    // The data of the memo at `block` (> 0) in whichever memo file the table has.
    QByteArrayView memoView(uint32_t block) const;
    bool bitSet(int bit) const;
    bool advance(bool includeDeleted);
    // Counts the records the file holds whole and describes the others.
    void checkRecordsAgainstSize(qint64 fileSize);
    void checkRecordLength();
    // `memoFile`: the memo file, when it is what could not give the value.
    void loseValue(const DbfField &field, const ado::RuntimeError &e, ado::Variant &out, const QString &memoFile) const;
    // A text field's or memo's stored bytes into out: kept as they are where
    // the page gives them back (Variant::setStoredText), else decoded and checked.
    void readText(const DbfField &f, QByteArrayView stored, ado::Variant &out) const;
    // Counts the text `out` read from `stored` as changed when it does not give the bytes back.
    void checkText(const DbfField &field, QByteArrayView stored, const ado::Variant &out) const;

    QString m_path;
    QString m_fileName;
    RawFile m_file;
    DbfHeader m_header;
    const TextCodec *m_codePage = nullptr;
    bool m_keepStored = false;
    bool m_chosenCodePage = false;        // read in the page the caller chose
    std::optional<MemoFile> m_memo;       // .fpt, .dct
    std::optional<DbtMemoFile> m_dbtMemo; // .dbt
    std::vector<int> m_visible;
    qint64 m_recordCount = 0; // whole records among the header's count
    ado::DamagedRows m_damaged;
    QStringList m_warnings;
    // When the fields need more bytes than the records are apart: each record
    // is copied here, where the bytes past it stay 0 (blank).
    QByteArray m_padded;

    QByteArray m_buffer;
    qint64 m_bufferFirst = 0; // record index of the buffer's first record
    qint64 m_bufferCount = 0; // records in the buffer
    qint64 m_current = -1;    // record index (0-based) of the current record
    const char *m_recordPtr = nullptr;
    mutable qint64 m_liveCount = -1;
    mutable ado::LostValues m_lost;
    mutable ado::LostValues m_changed;
};

// The real path of the file beside `path` with the same base name and the
// extension `ext` (".fpt"), found in any letter case; empty when none.
QString findCompanion(const QString &path, const QString &ext);

} // namespace tw::foxpro
