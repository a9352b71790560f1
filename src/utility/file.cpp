#include "utility/file.h"

namespace utility::ufile {

bool File::open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition)
{
    close();
    m_handle.reset(CreateFileW(path.c_str(), access, share, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_handle.valid();
}

bool File::openRead(const std::wstring& path)
{
    if (!open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(m_handle.get(), &size)) {
        close();
        return false;
    }
    m_size = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool File::openReadWrite(const std::wstring& path, bool createIfMissing)
{
    return open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                createIfMissing ? OPEN_ALWAYS : OPEN_EXISTING);
}

bool File::create(const std::wstring& path)
{
    return open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
}

uint32_t File::read(void* buffer, uint32_t count)
{
    DWORD done = 0;
    if (!m_handle || !ReadFile(m_handle.get(), buffer, count, &done, nullptr)) {
        return 0;
    }
    return done;
}

bool File::write(const void* bytes, uint32_t count)
{
    DWORD done = 0;
    return m_handle && WriteFile(m_handle.get(), bytes, count, &done, nullptr) && done == count;
}

void File::seekEnd()
{
    if (m_handle) {
        SetFilePointerEx(m_handle.get(), LARGE_INTEGER{}, nullptr, FILE_END);
    }
}

void File::close()
{
    m_handle.reset();
    m_size = 0;
}

}  // namespace utility::ufile
