#pragma once
// TableWriter: creates a Visual FoxPro table (.dbf + .fpt) as Visual FoxPro
// writes it, or opens one for appending, and appends rows so that after every
// row the header's record count and the memo file's next-free pointer agree
// with what is on disk: memo blocks first, then the record, then the counts.

#include "CodePageMarks.h"
#include "DbfHeader.h"
#include "MappedFront.h"
#include "MemoFile.h"
#include "RawFile.h"

#include "platform/ado/LostValues.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ado/Variant.h"
#include "platform/encoding/FieldNames.h"

#include <QDate>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tw::foxpro {

struct NewField {
    QString name; // stored as fieldNameRule() makes it, made unique
    char type = 'M';
    int length = 4;
    int decimals = 0;
    int flags = -1; // descriptor flags; -1 for what Visual FoxPro sets on the type
    bool nullable = false;
    // An I field that numbers the rows (Visual FoxPro's AUTOINC): a row
    // without a value (Null) gets nextValue, which then grows by step (1 to 255).
    bool autoIncrement = false;
    qint64 nextValue = 1;
    int step = 1;
};

struct CreateOptions {
    QByteArray backlink;              // the container's path relative to the table; empty when free
    QString memoExtension = ".fpt";   // ".dct" for a container
    uint8_t extraTableFlags = 0;      // e.g. 0x05 for a container (index + container)
    uint8_t codePageMark = kMark1252; // the code page of the table's text and names
    QDate updated;                    // the header's date of the last change; today when invalid
    QString shownName;                // the .dbf's name in messages (a temporary's target's); the file's own when empty
};

class TableWriter {
public:
    // Creates the table at the real path `path` (.dbf; the memo file beside it).
    // Refuses when the .dbf or its memo file already exists.
    static std::unique_ptr<TableWriter> create(const QString &path, const std::vector<NewField> &fields,
                                               const CreateOptions &options = {});
    // Opens an existing table for appending (the memo file is `memoExt` beside
    // it); messages name it `shownName` when one is given.
    static std::unique_ptr<TableWriter> openForAppend(const QString &path, const QString &memoExt = ".fpt",
                                                      const QString &shownName = {});

    const DbfHeader &header() const { return m_header; }
    const QString &path() const { return m_path; }
    QString fileName() const { return m_file.name(); }
    // Names the fields got in the file (upper case, unique, at most 10 bytes).
    QStringList fieldNames() const;

    // Appends one row, a value per field (_NullFlags excluded). Text goes to
    // memo and character fields through the table's code page, to BLOB (W)
    // fields one byte per character; Null, Empty and empty text give an empty
    // memo (block 0). Null in a nullable field sets its null bit (Empty too
    // in a memo field); elsewhere it stores the type's blank, as Empty (the
    // empty date {}) does in every other field. An autoincrement field takes
    // a value given as it is, and the field's next value goes past it; a
    // Null there gets the next value. Returns the new record's number.
    // A row that would carry the .dbf or the memo file past the most its
    // format holds (fileLimit(), MemoFile::sizeLimit(), dbf::kMaxRecords) is
    // refused with kErrPastFormatLimit and breaks the table for good.
    qint64 append(const std::vector<ado::Variant> &values);
    // Refuses (kErrPastFormatLimit), before any is appended, `rows` more rows
    // that the .dbf cannot hold; memo sizes are not known ahead.
    void requireRoomFor(qint64 rows) const;
    // The most bytes the .dbf may grow to: its format's limit, or a test's lower one.
    qint64 fileLimit() const { return m_fileLimit; }
    // Characters that became '?' because the target could not hold them.
    qint64 replacedCharacters() const { return m_replaced; }
    // From now on values are written as Visual FoxPro holds them, and a value
    // that had to change (a time to whole seconds, a number rounded, a text
    // cut) is added to `changed`, one that could not be held (a number too
    // wide for its field: Null, or blank) to `lost`, with the table, the row
    // and the field (see encodeFixedField). Both must outlive the writer;
    // nullptr for either writes values as given, as before.
    void noteChanges(ado::LostValues *lost, ado::LostValues *changed);

    // Buffered: rows, memo blocks and the header's counts are kept and written
    // in large pieces (by flush(), when about a megabyte has gathered, and at
    // the end), for a table that is a temporary until it is whole. Unbuffered
    // (the default) every row is complete on disk when append() returns.
    void setBuffered(bool buffered) { m_buffered = buffered; }
    // Writes what is buffered: memo blocks, records, then the counts.
    void flush();
    // Forgets what is buffered: the table is going away.
    void abandon();
    // Flushes; errors are lost here, so callers that care flush first.
    ~TableWriter();

    // Marks record `number` (1-based) deleted.
    void markDeleted(qint64 number);
    // Changes the backlink in the header.
    void setBacklink(const QByteArray &backlink);

private:
    TableWriter() = default;
    // Places a memo field's value in the memo file; its block, 0 when empty.
    uint32_t appendMemo(const DbfField &field, const ado::Variant &value);
    void setBit(int bit);
    // The value an autoincrement field takes in the row being built: the one
    // given, or the next for a Null; the field's next value after this row
    // is kept in m_rowNextValues.
    ado::Variant numbered(size_t autoField, const DbfField &field, const ado::Variant &value);
    // Writes the autoincrement fields' next values into their descriptors.
    void writeNextValues();
    void refresh();
    // Puts the count of records written into the header.
    void writeCount();
    void prepareRecord();
    // Throws the failure of a table that `rows` more records would carry past a limit.
    void checkRoom(qint64 rows) const;
    // Breaks the table for good with the failure `e` and throws it.
    [[noreturn]] void breakWith(const ado::RuntimeError &e);

    QString m_path;
    RawFile m_file;
    MappedFront m_front; // the header, when the file system maps files
    DbfHeader m_header;
    const TextCodec *m_codePage = nullptr;
    std::optional<MemoFile> m_memo;
    QByteArray m_record;        // the record being built, then the end-of-file mark
    std::vector<int> m_columns; // the fields values go to (all but _NullFlags)
    qint64 m_replaced = 0;
    bool m_buffered = false;
    QByteArray m_records;                       // buffered records, after the last written one
    uint32_t m_writtenCount = 0;                // records on disk and counted in the header
    std::optional<ado::RuntimeError> m_failure; // set by a failed flush: every later row and flush fails with it
    qint64 m_fileLimit = dbf::kMaxFileBytes;
    ado::LostValues *m_lost = nullptr; // see noteChanges()
    ado::LostValues *m_changed = nullptr;
    std::vector<std::pair<bool, ado::LostValue>> m_rowNotes; // the row's notes (lost or not), added once it is taken
    std::vector<int> m_autoFields;                           // the autoincrement fields, by index
    std::vector<qint64> m_rowNextValues;                     // their next values once the row is taken
    bool m_nextValuesDirty = false;                          // next values not yet in the descriptors
};

// Visual FoxPro's rule for field names: letters (those of the table's code
// page), digits and "_", not beginning with a digit (a "_" goes before one);
// any other character becomes "_"; at most 10 bytes; upper case.
encoding::NameRule fieldNameRule();
// Field names as Visual FoxPro stores them in a table of this code page, by
// fieldNameRule(), a collision resolved with a numeric suffix (NAME, NAME2, ...).
QStringList storedFieldNames(const QStringList &names, const TextCodec &codec = TextCodec::windows1252());

} // namespace tw::foxpro
