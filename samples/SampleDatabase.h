#pragma once
// The sample databases shipped beside the program in Samples/: FoxPro free
// tables (customers, orders, products) and Paradox tables (clients, invoices,
// stock) with memo text, dates, date-times, decimals, currency, logicals,
// nulls and accented text, written through our own FoxPro and Paradox writers.

#include <QString>

namespace tw::samples {

inline constexpr char kSamplesFolderName[] = "Samples";
inline constexpr char kHandCursorName[] = "HAND-M.CUR";

// Writes the tables into folder, which must hold none of them yet.
void WriteFoxProSamples(const QString &folder);
void WriteParadoxSamples(const QString &folder);

// Replaces outputFolder/Samples with freshly written tables and writes
// outputFolder/HAND-M.CUR. RuntimeError on any failure.
void WriteSampleFolder(const QString &outputFolder);

} // namespace tw::samples
