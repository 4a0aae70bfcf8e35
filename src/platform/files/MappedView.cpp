// MappedView: what every system shares (ownership); the mapping itself is in
// MappedView<System>.cpp.

#include "MappedView.h"

#include <utility>

namespace tw::files {

MappedView::~MappedView()
{
    release();
}

MappedView::MappedView(MappedView &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_length(std::exchange(other.m_length, 0))
{
}

MappedView &MappedView::operator=(MappedView &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

} // namespace tw::files
