#pragma once
// RawFile: an open file read and written at explicit offsets, so that every
// write reaches the system at once and readers in this or any other process
// see it. The FoxPro files use the file layer's File as it is.

#include "platform/files/File.h"

namespace tw::foxpro {

using RawFile = files::File;

} // namespace tw::foxpro
