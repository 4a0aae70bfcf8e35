#pragma once
// iconv on Windows: the three calls of the POSIX interface the code-page
// converters use, over the system's own code pages (IconvWindows.cpp). Only
// the Windows build puts this folder on the include path; elsewhere the C
// library's <iconv.h> is used.

#include <cstddef>

extern "C" {

typedef void *iconv_t;

// Names: "UTF-8", "UTF-16LE", "CPnnn", "WINDOWS-nnnn", "MACINTOSH",
// "MAC-CYRILLIC", "MAC-CENTRALEUROPE", "ISO-8859-1"/"LATIN1" (any letter case).
// (iconv_t)-1 with errno EINVAL for a name or code page the system lacks.
iconv_t iconv_open(const char *tocode, const char *fromcode);
// Converts as much as fits. Stops with -1 and errno EILSEQ at a sequence the
// source does not define or the target cannot hold, EINVAL at a sequence cut
// off by the end of the input, E2BIG when the output is full; the pointers
// and counts then stand after the last whole character converted. A null
// input resets the (stateless) converter.
std::size_t iconv(iconv_t cd, char **inbuf, std::size_t *inbytesleft, char **outbuf, std::size_t *outbytesleft);
int iconv_close(iconv_t cd);

} // extern "C"
