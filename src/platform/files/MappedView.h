#pragma once
// MappedView: the first bytes of an open file mapped shared into memory for
// reading and writing, so that counters a writer keeps in a header are read
// and updated by plain loads and stores instead of a call into the system
// each. Stores land in the system's file cache at once, exactly like a write,
// so other readers and a process killed right after see them. Where the system
// cannot map the file the view is empty and callers go on with File's reads
// and writes. Implemented in MappedView<System>.cpp.

#include <cstddef>
#include <cstdint>

namespace tw::files {

class File;

class MappedView {
public:
    MappedView() = default;
    // Maps the first `length` bytes of `file`, open for reading and writing.
    // The view stays valid when the file is closed. The file must hold the
    // bytes: touching a mapped byte past its end is fatal.
    MappedView(const File &file, std::size_t length);
    ~MappedView();
    MappedView(MappedView &&other) noexcept;
    MappedView &operator=(MappedView &&other) noexcept;
    MappedView(const MappedView &) = delete;
    MappedView &operator=(const MappedView &) = delete;

    bool isMapped() const { return m_data != nullptr; }
    std::size_t length() const { return m_length; }
    unsigned char *data() const { return m_data; }

private:
    void release();

    unsigned char *m_data = nullptr;
    std::size_t m_length = 0;
};

} // namespace tw::files
