#pragma once
// MappedFront: the first bytes of an open file mapped shared into memory, so
// that the counters a writer keeps in a header (record count, next free memo
// block) are read and updated by plain loads and stores instead of a system
// call each. Stores land in the system's file cache at once, exactly like a
// pwrite, so other readers and a process killed right after see them.

#include <cstddef>
#include <cstdint>

namespace tw::foxpro {

class MappedFront {
public:
    MappedFront() = default;
    // Maps the first `length` bytes of the file open as `fd` for reading and
    // writing. On a file system that cannot map files the result is empty
    // and callers go on with pread/pwrite.
    MappedFront(int fd, std::size_t length);
    ~MappedFront();
    MappedFront(MappedFront &&other) noexcept;
    MappedFront &operator=(MappedFront &&other) noexcept;
    MappedFront(const MappedFront &) = delete;
    MappedFront &operator=(const MappedFront &) = delete;

    bool isMapped() const { return m_data != nullptr; }
    std::size_t length() const { return m_length; }
    unsigned char *data() const { return m_data; }

private:
    void release();

    unsigned char *m_data = nullptr;
    std::size_t m_length = 0;
};

} // namespace tw::foxpro
