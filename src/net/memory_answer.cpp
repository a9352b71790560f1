#include "net/memory_answer.h"

#include <new>

namespace utility {

MemoryAnswer::Append MemoryAnswer::append(const char* bytes, size_t count)
{
    if (m_refused) {
        return Append::kOverLimit;
    }
    if (count > m_limit - m_bytes.size()) {
        m_refused = true;
        return Append::kOverLimit;
    }
    try {
        m_bytes.append(bytes, count);
    } catch (const std::bad_alloc&) {
        m_refused = true;
        return Append::kNoMemory;
    }
    return Append::kDone;
}

std::string MemoryAnswer::take()
{
    std::string bytes;
    bytes.swap(m_bytes);
    return bytes;
}

}  // namespace utility
