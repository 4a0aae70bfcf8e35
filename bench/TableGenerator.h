#pragma once
// TableGenerator: makes the benchmark's input tables with the program's own
// writers, the same rows (for one seed) as a Visual FoxPro free table and as a
// Paradox table, with a key, three texts, a 2-decimal number, a date, a
// date-time, a logical, a currency, a memo of 0 to 200 characters and some Nulls.

#include "platform/ado/Variant.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tw::bench {

// splitmix64: the same numbers for a seed on every platform and compiler.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next();
    // Uniform in [0, bound) (bound > 0).
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    // True with the given chance in percent.
    bool percent(int chance) { return below(100) < std::uint64_t(chance); }

private:
    std::uint64_t m_state;
};

// The shapes of table the benchmark measures: the standard ten columns; a
// wide table of those ten six times over (60 columns); and a memo-heavy
// table, the standard columns with memos of 2 to 20 KB.
enum class Shape { Standard, Wide, MemoHeavy };
inline constexpr int kWideRepeats = 6;
inline constexpr int kHeavyMemoMin = 2000;
inline constexpr int kHeavyMemoMax = 20000;

class RowGenerator {
public:
    static constexpr int kMaxMemo = 200;

    explicit RowGenerator(std::uint64_t seed, Shape shape = Shape::Standard) : m_random(seed), m_shape(shape) {}
    // The next row: ID, NAME, CITY, CODE, AMOUNT, BORN, STAMP, ACTIVE, PRICE,
    // NOTES (six times for a wide table).
    std::vector<ado::Variant> next();

private:
    void appendStandard(std::vector<ado::Variant> &row);

    SeededRandom m_random;
    Shape m_shape;
    qint64 m_id = 0;
};

struct GeneratedFiles {
    QString table;    // file name without extension
    QString data;     // .dbf or .db
    QString memo;     // .fpt or .mb
    qint64 bytes = 0; // both files together
};

// Writes <folder>/<table>.dbf and .fpt with `rows` rows.
GeneratedFiles writeFoxProTable(const QString &folder, const QString &table, qint64 rows, std::uint64_t seed,
                                Shape shape = Shape::Standard);
// Writes <folder>/<table>.db and .mb with the same rows.
GeneratedFiles writeParadoxTable(const QString &folder, const QString &table, qint64 rows, std::uint64_t seed,
                                 Shape shape = Shape::Standard);

} // namespace tw::bench
