#pragma once
// "Send Table/s To FoxPro": copies the tables selected in the Paradox list into
// the FoxPro database as tables of memo (and blob) columns, one INSERT per
// row, and adds each new name to the FoxPro list.

namespace tw {
struct TransferContext;
}

namespace tw::transfer {

// The click routine of the transfer window's PushButton4.
void SendTablesToFoxPro(TransferContext &context);

} // namespace tw::transfer
