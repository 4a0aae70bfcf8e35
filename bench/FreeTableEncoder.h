#pragma once
// FreeTableEncoder: writes a Visual FoxPro free table (.dbf of type 0x30 with
// a .fpt of 64-byte blocks) with typed columns, for benchmark input. The
// program's own FoxPro writer makes tables of memo columns only; this one
// writes every type the benchmark rows use (C N D T L Y I M) and _NullFlags.

#include "platform/ado/Variant.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

namespace tw::bench {

struct DbfColumn {
    QByteArray name;   // at most 10 ASCII characters
    char type = 'C';   // C, N, D, T, L, Y, I or M
    int length = 0;    // C and N only; the other types have fixed sizes
    int decimals = 0;  // N only
    bool nullable = false;
};

class FreeTableEncoder {
public:
    // Creates dbfPath and, when a column is a memo, memoPath (both replaced if present).
    FreeTableEncoder(const QString &dbfPath, const QString &memoPath, const std::vector<DbfColumn> &columns);
    ~FreeTableEncoder();
    FreeTableEncoder(const FreeTableEncoder &) = delete;
    FreeTableEncoder &operator=(const FreeTableEncoder &) = delete;

    // One value per column: Null (nullable columns only) or the column's kind
    // (Text for C and M, Decimal for N, Date, DateTime, Boolean, Currency, Integer).
    void append(const std::vector<ado::Variant> &row);
    // Writes the final header, the end-of-file mark and the memo header.
    void finish();

    quint32 rowCount() const { return m_rows; }

private:
    struct Layout {
        DbfColumn column;
        int offset = 0;
        int size = 0;
        int nullBit = -1;
    };
    QByteArray header() const;
    void putValue(char *at, const Layout &field, const ado::Variant &value);
    quint32 appendMemo(const QByteArray &text);
    void flush();

    std::vector<Layout> m_fields;
    int m_nullFlagsOffset = 0;
    int m_nullFlagsSize = 0;
    int m_recordSize = 0;
    bool m_hasMemo = false;
    QFile m_dbf;
    QFile m_memo;
    QByteArray m_records;   // records not yet written
    QByteArray m_memoBytes; // memo blocks not yet written
    quint32 m_nextBlock = 0;
    quint32 m_rows = 0;
    bool m_finished = false;
};

} // namespace tw::bench
