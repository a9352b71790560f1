#pragma once
// RAII owners for libcurl's easy handle and header list. Each operation of the curl client owns
// one of each for the length of one transfer; nothing is shared between transfers.

#include "utility/scoped_handle.h"

#include <curl/curl.h>

namespace utility {

struct CurlEasyTraits {
    using Handle = CURL*;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { ::curl_easy_cleanup(handle); }
};

using ScopedCurl = ScopedHandle<CurlEasyTraits>;

// A request header list. libcurl reads it during the transfer, so it must outlive the perform.
class ScopedCurlList {
public:
    ScopedCurlList() = default;
    ~ScopedCurlList() { ::curl_slist_free_all(m_list); }

    ScopedCurlList(const ScopedCurlList&) = delete;
    ScopedCurlList& operator=(const ScopedCurlList&) = delete;

    // Adds a copy of `line` at the end; false (the list unchanged) when memory runs out.
    [[nodiscard]] bool append(const char* line)
    {
        curl_slist* head = ::curl_slist_append(m_list, line);
        if (head == nullptr) {
            return false;
        }
        m_list = head;
        return true;
    }

    [[nodiscard]] curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

}  // namespace utility
