#include "MappedFront.h"

#include <utility>

#include <sys/mman.h>

namespace tw::foxpro {

MappedFront::MappedFront(int fd, std::size_t length)
{
    if (fd < 0 || length == 0)
        return;
    void *address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED)
        return;
    m_data = static_cast<unsigned char *>(address);
    m_length = length;
}

MappedFront::~MappedFront()
{
    release();
}

MappedFront::MappedFront(MappedFront &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_length(std::exchange(other.m_length, 0))
{
}

MappedFront &MappedFront::operator=(MappedFront &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

void MappedFront::release()
{
    if (m_data)
        ::munmap(m_data, m_length);
    m_data = nullptr;
    m_length = 0;
}

} // namespace tw::foxpro
