// MappedView over POSIX: mmap of the file's first bytes, shared.

#include "MappedView.h"

#include "File.h"

#include <utility>

#include <sys/mman.h>

namespace tw::files {

MappedView::MappedView(const File &file, std::size_t length)
{
    if (!file.isOpen() || length == 0)
        return;
    void *address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, static_cast<int>(file.m_handle), 0);
    if (address == MAP_FAILED)
        return;
    m_data = static_cast<unsigned char *>(address);
    m_length = length;
}

void MappedView::release()
{
    if (m_data)
        ::munmap(m_data, m_length);
    m_data = nullptr;
    m_length = 0;
}

} // namespace tw::files
