#pragma once
// CopySummary: the message the window shows after a copy in which a table
// lost, changed or set aside anything, or was refused: one line per such
// table with its counts and reason, and the first examples as details.
// Nothing when every table arrived whole.

#include "TransferContext.h"

#include <optional>

namespace tw::transfer {

struct CopySummary {
    QString text;    // one line per table
    QString details; // the first examples of each table
};

std::optional<CopySummary> SummarizeCopy(const std::vector<TableOutcome> &outcomes);

} // namespace tw::transfer
