#pragma once
// LostValues: values that one side could not hold — a date outside the
// target type's range, a number wider than its field, a value a reader could
// not make sense of — and that went as Null instead, so that one such value
// never sinks its table. Counted per table like the characters a code page
// cannot hold; the first few are kept for the command line to show.
// The same list holds values a copy had to change (rounded to a field's
// decimals, cut to its width): those have `after`, the value as written.
// A value whose memo or blob file could not give it names that file, and
// those are counted apart too, so that a damaged memo file shows however
// many other values came first.

#include "Variant.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace tw::ado {

struct LostValue {
    QString table;
    qint64 row = 0; // from 1
    QString column;
    QString value; // in readable form: a date as a date
    QString reason;
    QString after = {}; // a changed value as written; empty for a lost one
    QString file = {};  // the memo or blob file that could not give the value; empty when it was not that
};

class LostValues {
public:
    static constexpr size_t kKept = 5;

    void add(LostValue value);
    void merge(const LostValues &other);
    qint64 count() const { return m_count; }
    // The first kKept of them.
    const std::vector<LostValue> &first() const { return m_first; }
    bool empty() const { return m_count == 0; }
    // Those of them that a memo or blob file could not give (`file` set):
    // how many, and the first (nullptr when none).
    qint64 fromFileCount() const { return m_fromFileCount; }
    const LostValue *firstFromFile() const { return m_firstFromFile ? &*m_firstFromFile : nullptr; }
    // The values added after the first `countBefore`: their count, and those
    // of them that were among the first kept. Those a file could not give
    // are not counted apart in it (the writers' lists, which it serves, have
    // none).
    LostValues since(qint64 countBefore) const;

    // The readable form of a value for a report; never throws.
    static QString describe(const Variant &value);
    // Stored bytes for a report, in hex ("f9 ec e5 ed"), long ones cut short.
    static QString describeBytes(QByteArrayView bytes);

private:
    qint64 m_count = 0;
    std::vector<LostValue> m_first;
    qint64 m_fromFileCount = 0;
    std::optional<LostValue> m_firstFromFile;
};

// Whether any byte is beyond ASCII: only such texts go through a code page's converter.
bool beyondAscii(QByteArrayView bytes);

// A text a reader read from `stored` in `codePage` that does not write back
// as the same bytes: changed, with the bytes before and the text after.
LostValue changedText(const QString &table, qint64 row, const QString &column, QByteArrayView stored,
                      const QString &read, int codePage);

} // namespace tw::ado
