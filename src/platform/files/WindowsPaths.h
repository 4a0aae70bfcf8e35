#pragma once
// Path texts as the wide-character Win32 calls take them. Shared by the
// *Windows.cpp files of the file layer; not for use elsewhere.

#include <QString>

#include <string>

namespace tw::files::detail {

// The UTF-16 text of a path for CreateFileW and the like. A full path too
// long for the plain form (260 characters) gets the "\\?\" form, which has no
// such limit but takes no "/" and no "." or ".." components, so it is spelt
// with "\" and made whole first.
std::wstring wide(const QString &path);

} // namespace tw::files::detail
