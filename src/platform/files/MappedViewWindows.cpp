// MappedView over Win32: a file mapping of the open file (CreateFileMappingW)
// and a view of its first bytes (MapViewOfFile). Views and ReadFile/WriteFile
// go through the same system cache, so stores are seen by readers at once.

#include "MappedView.h"

#include "File.h"

#include <utility>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tw::files {

MappedView::MappedView(const File &file, std::size_t length)
{
    if (!file.isOpen() || length == 0)
        return;
    // The mapping is as large as the file is now (size 0: the file's own), so
    // that mapping never makes the file longer; a file shorter than the
    // view cannot be mapped and stays with File's writes.
    const HANDLE mapping =
        CreateFileMappingW(reinterpret_cast<HANDLE>(file.m_handle), nullptr, PAGE_READWRITE, 0, 0, nullptr);
    if (!mapping)
        return;
    void *address = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, length);
    // The view keeps the mapping alive on its own.
    CloseHandle(mapping);
    if (!address)
        return;
    m_data = static_cast<unsigned char *>(address);
    m_length = length;
}

void MappedView::release()
{
    if (m_data)
        UnmapViewOfFile(m_data);
    m_data = nullptr;
    m_length = 0;
}

} // namespace tw::files
