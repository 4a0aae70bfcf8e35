#pragma once
// PreviewRun: the preview window opened on the benchmark's generated tables
// (FoxPro and Paradox), scrolled to the last row: how long opening takes, the
// memory it adds and the rows it read. Needs a QApplication (offscreen will do).

#include <QString>

namespace tw::bench {

struct PreviewResult {
    qint64 rows = 0;        // the table's
    double openSeconds = 0; // until the first rows are shown
    double endSeconds = 0;  // scrolling to the last row and showing it
    double addedMb = 0;     // resident memory the open window adds
    qint64 rowsRead = 0;    // rows read from the file, the guess's sample aside
};

// `connectionString` names the side, `table` the table in it.
PreviewResult runPreview(bool foxpro, const QString &connectionString, const QString &table);

} // namespace tw::bench
