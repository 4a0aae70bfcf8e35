#pragma once
// The error numbers a RuntimeError carries, each named once: the numbers the
// original program's runtime and data layer gave, which error reports show
// and a few callers test.

namespace tw::ado {

inline constexpr int kErrInvalidCall = 5; // "Invalid procedure call or argument"
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrTypeMismatch = 13;
inline constexpr int kErrFileNotFound = 53;
inline constexpr int kErrFileExists = 58;
inline constexpr int kErrPermissionDenied = 70;
inline constexpr int kErrPathFileAccess = 75;
inline constexpr int kErrPathNotFound = 76;
inline constexpr int kErrInvalidArrayIndex = 381;
inline constexpr int kErrNoCurrentRecord = 3021;
inline constexpr int kErrPastFormatLimit = 3183; // a file would grow past its format's limit
inline constexpr int kErrNotSupported = 3251;    // the object or provider does not do that
inline constexpr int kErrItemNotFound = 3265;
inline constexpr int kErrObjectClosed = 3704;
inline constexpr int kErrObjectOpen = 3705;
inline constexpr int kErrProviderNotFound = 3706;

} // namespace tw::ado
