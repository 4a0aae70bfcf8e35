#pragma once
// "Send Table/s To Paradox": copies the tables selected in the FoxPro list into
// the Paradox folder, each staged in a work table and written out by the work
// database as a Paradox table, then reloads the Paradox list.

namespace tw {
struct TransferContext;
}

namespace tw::transfer {

// The click routine of the transfer window's PushButton3.
void SendTablesToParadox(TransferContext &context);

} // namespace tw::transfer
