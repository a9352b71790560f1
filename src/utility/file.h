#pragma once
// One open file. Users close it explicitly; the destructor closes what is left open.

#include "utility/scoped_handle.h"

#include <cstdint>
#include <string>

namespace utility::ufile {

class File {
public:
    File() = default;

    // An existing file, for reading, sharing read access; false (and closed) when its size
    // cannot be read.
    [[nodiscard]] bool openRead(const std::wstring& path);
    // For reading and writing, sharing read and write; created when missing if asked.
    [[nodiscard]] bool openReadWrite(const std::wstring& path, bool createIfMissing);
    // A new, empty file for reading and writing (an existing one is replaced), sharing read and write.
    [[nodiscard]] bool create(const std::wstring& path);

    // Bytes read; 0 on failure or at the end.
    [[nodiscard]] uint32_t read(void* buffer, uint32_t count);
    // True only when every byte was written.
    [[nodiscard]] bool write(const void* bytes, uint32_t count);
    void seekEnd();
    void close();

    [[nodiscard]] bool isOpen() const { return m_handle.valid(); }
    // The size read by openRead.
    [[nodiscard]] uint64_t size() const { return m_size; }

private:
    bool open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition);

    ScopedFileHandle m_handle;
    uint64_t m_size = 0;
};

}  // namespace utility::ufile
