#pragma once
// RAII owners for Windows handles. Each handle kind names its own "no handle" value and closer.

#include <windows.h>

#include <utility>

namespace utility {

template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : m_handle(handle) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : m_handle(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    [[nodiscard]] Handle get() const { return m_handle; }
    [[nodiscard]] bool valid() const { return m_handle != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    [[nodiscard]] Handle release() { return std::exchange(m_handle, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid())
    {
        if (valid()) {
            Traits::close(m_handle);
        }
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::invalid();
};

// Handles closed with CloseHandle whose "none" is null (processes, threads, events, mutexes).
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { ::CloseHandle(handle); }
};

// File handles, whose "none" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { ::CloseHandle(handle); }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

}  // namespace utility
