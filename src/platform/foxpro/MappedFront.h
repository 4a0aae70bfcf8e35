#pragma once
// MappedFront: the first bytes of an open table or memo file mapped shared
// into memory, so that the counters a writer keeps in a header (record count,
// next free memo block) are read and updated by plain loads and stores
// instead of a call into the system each. The file layer's MappedView as it
// is: empty where the file system cannot map files, and callers go on with
// the file's reads and writes.

#include "platform/files/MappedView.h"

namespace tw::foxpro {

using MappedFront = files::MappedView;

} // namespace tw::foxpro
