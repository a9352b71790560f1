// Downloads one URL into a file through the WinINet or the libcurl client of the installer, as the
// package download does, and prints the byte count and the seconds the client took:
//
//   bench_download.exe wininet|curl <url> <file>
//   -> "bytes 268435456 seconds 3.215"
//
// The time covers the client's call only, not the start of the process.
#include "net/http_downloader.h"
#include "net/qv_curl_downloader.h"
#include "utility/text_convert.h"
#include "utility/ufile.h"

#include <windows.h>

#include <curl/curl.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_download wininet|curl <url> <file>\n");
        return 2;
    }
    const std::wstring client = argv[1];
    const std::wstring url = argv[2];
    const std::wstring file = argv[3];
    curl_global_init(CURL_GLOBAL_ALL);

    LARGE_INTEGER frequency{};
    LARGE_INTEGER started{};
    LARGE_INTEGER ended{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    bool ok = false;
    if (client == L"wininet") {
        utility::CHttpDownloader downloader;
        int kind = 0;
        int code = 0;
        ok = downloader.download2file(url, file, nullptr, false, kind, code);
        if (!ok) {
            std::fprintf(stderr, "wininet: failed, kind %d code %d\n", kind, code);
        }
    } else if (client == L"curl") {
        QVCurlDownloader downloader;
        ok = downloader.downloadFile(utility::wideToAnsi(file), utility::wideToAnsi(url), nullptr);
        if (!ok) {
            std::fprintf(stderr, "curl: failed\n");
        }
    } else {
        std::fprintf(stderr, "unknown client\n");
        return 2;
    }
    QueryPerformanceCounter(&ended);
    curl_global_cleanup();

    int64_t size = 0;
    if (!ok || !utility::ufile::getFileSize(file, size)) {
        return 1;
    }
    const double seconds =
        static_cast<double>(ended.QuadPart - started.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("bytes %lld seconds %.3f\n", static_cast<long long>(size), seconds);
    return 0;
}
