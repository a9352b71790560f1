#include "net/qv_curl_downloader.h"

#include "common/log.h"
#include "net/certificate_check.h"
#include "net/curl_handle.h"
#include "net/curl_progress.h"
#include "net/memory_answer.h"
#include "utility/file.h"
#include "utility/text_convert.h"

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <schannel.h>

#include <curl/curl.h>

namespace {

constexpr long kConnectTimeoutMs = 4000;
constexpr long kMemoryTimeoutMs = 8000;
constexpr long kFileTimeoutMs = 1800000;
constexpr long kFileMaxRedirects = 5;
constexpr curl_off_t kFileMaxReceiveSpeed = 20971520;
constexpr char kJsonContentType[] = "Content-Type:application/json;charset=UTF-8";

// curl's own words for a failure: the error buffer when it says something, else the code's text.
std::string errorText(CURLcode code, const char* buffer)
{
    return buffer[0] != '\0' ? std::string(buffer) : std::string(curl_easy_strerror(code));
}

// The host of the request about to be sent. After a redirect that is the new address, which is
// why it is read from the handle and not taken from the caller.
std::wstring currentHost(CURL* curl)
{
    const char* url = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || url == nullptr) {
        return {};
    }
    CURLU* parsed = curl_url();
    if (parsed == nullptr) {
        return {};
    }
    std::wstring host;
    char* part = nullptr;
    if (curl_url_set(parsed, CURLUPART_URL, url, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
        std::string text(part);
        if (text.size() > 2 && text.front() == '[' && text.back() == ']') {
            text = text.substr(1, text.size() - 2);
        }
        host = utility::utf8ToWide(text);
        curl_free(part);
    }
    curl_url_cleanup(parsed);
    return host;
}

// CURLOPT_PREREQFUNCTION: runs after the connection (and its TLS handshake) is up and before the
// request is sent, so a refused server never sees a byte of it. Plain HTTP has nothing to check.
int verifyPeer(void* handle, char*, char*, int, int)
{
    CURL* curl = static_cast<CURL*>(handle);
    const char* scheme = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme) == CURLE_OK && scheme != nullptr &&
        _stricmp(scheme, "https") != 0) {
        return CURL_PREREQFUNC_OK;
    }
    const std::wstring host = currentHost(curl);
    curl_tlssessioninfo* session = nullptr;
    PCCERT_CONTEXT certificate = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_TLS_SSL_PTR, &session) == CURLE_OK && session != nullptr &&
        session->backend == CURLSSLBACKEND_SCHANNEL && session->internals != nullptr) {
        auto* context = static_cast<CtxtHandle*>(session->internals);
        if (QueryContextAttributesW(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK) {
            certificate = nullptr;
        }
    }
    if (certificate == nullptr) {
        common::writeLog("QVCurlDownloader::verifyPeer", __LINE__, L"no server certificate for %s",
                         host.c_str());
        return CURL_PREREQFUNC_ABORT;
    }
    const utility::CertificateVerdict verdict = utility::verifyServerCertificate(certificate, host);
    CertFreeCertificateContext(certificate);
    if (!verdict.trusted) {
        common::writeLog("QVCurlDownloader::verifyPeer", __LINE__,
                         L"certificate refused for %s, chain errors 0x%08x, policy error 0x%08x",
                         host.c_str(), static_cast<unsigned>(verdict.chainErrors),
                         static_cast<unsigned>(verdict.policyError));
        return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
}

// Settings every operation shares: redirects, verification, a fresh connection, the connect
// time-out, no signals, the error text.
void applyCommonSettings(CURL* curl, const std::string& url, char* errorBuffer)
{
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    // Revocation needs the network to answer; like the chain check, do not fail on that alone.
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &verifyPeer);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, curl);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
}

size_t appendToAnswer(const char* function, char* bytes, size_t size, size_t count, void* answer)
{
    const size_t total = size * count;
    switch (static_cast<utility::MemoryAnswer*>(answer)->append(bytes, total)) {
        case utility::MemoryAnswer::Append::kDone:
            return total;
        case utility::MemoryAnswer::Append::kOverLimit:
            common::writeLog(function, __LINE__, L"answer larger than %I64d bytes refused",
                             static_cast<int64_t>(utility::kMemoryAnswerLimit));
            return 0;
        case utility::MemoryAnswer::Append::kNoMemory:
            common::writeLog(function, __LINE__, L"not enough memory error %d",
                             static_cast<int>(GetLastError()));
            return 0;
    }
    return 0;
}

size_t WriteMemoryCallback(char* bytes, size_t size, size_t count, void* answer)
{
    return appendToAnswer("QVCurlDownloader::WriteMemoryCallback", bytes, size, count, answer);
}

size_t WriteMemoryCallbackPost(char* bytes, size_t size, size_t count, void* answer)
{
    return appendToAnswer("QVCurlDownloader::WriteMemoryCallbackPost", bytes, size, count, answer);
}

// What the file callbacks need while a file download runs.
struct FileState {
    utility::ufile::File file;
    utility::CurlProgressRule progress{0};
    const QVCurlDownloader::Progress* report = nullptr;
};

size_t writeFileCallback(char* bytes, size_t size, size_t count, void* transfer)
{
    const size_t total = size * count;
    auto* state = static_cast<FileState*>(transfer);
    return total <= MAXDWORD && state->file.write(bytes, static_cast<uint32_t>(total)) ? total : 0;
}

int progressCallback(void* transfer, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t)
{
    auto* state = static_cast<FileState*>(transfer);
    if (state->report == nullptr || !*state->report) {
        return 0;
    }
    const int percent =
        state->progress.next(static_cast<double>(total), static_cast<double>(received), GetTickCount());
    if (percent >= 0) {
        (*state->report)(percent);
    }
    return 0;
}

}  // namespace

struct QVCurlDownloader::FileTransfer : FileState {};

QVCurlDownloader::QVCurlDownloader() = default;
QVCurlDownloader::~QVCurlDownloader() = default;

bool QVCurlDownloader::downloadMemory(const std::wstring& url, std::string& response)
{
    common::writeLog("QVCurlDownloader::downloadMemory", __LINE__, L"QVCurlDownloader::downloadMemory start");
    const std::string ansiUrl = utility::wideToAnsi(url);
    utility::ScopedCurl curl(curl_easy_init());
    if (!curl) {
        common::writeLog("QVCurlDownloader::downloadMemory", __LINE__, L"curl init error");
        return false;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    utility::MemoryAnswer answer;
    applyCommonSettings(curl.get(), ansiUrl, errorBuffer);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, kMemoryTimeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &WriteMemoryCallback);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &answer);
    common::writeLog("QVCurlDownloader::downloadMemory", __LINE__, L"1111111111111111111111");
    const CURLcode code = curl_easy_perform(curl.get());
    if (code != CURLE_OK) {
        common::writeLog("QVCurlDownloader::downloadMemory", __LINE__, L"curl download error %S %s",
                         errorText(code, errorBuffer).c_str(), url.c_str());
        return false;
    }
    common::writeLog("QVCurlDownloader::downloadMemory", __LINE__, L"curl download sucess %d",
                     static_cast<int>(answer.size()));
    response = answer.take();
    return true;
}

bool QVCurlDownloader::postRequest(const std::string& body, const std::string& url,
                                   const std::vector<std::string>& headers, std::string& response)
{
    const std::wstring wideUrl = utility::ansiToWide(url);
    common::writeLog("QVCurlDownloader::postRequest", __LINE__,
                     L"QVCurlDownloader::postRequest start %s content:%s", wideUrl.c_str(),
                     utility::ansiToWide(body).c_str());
    utility::ScopedCurl curl(curl_easy_init());
    if (!curl) {
        common::writeLog("QVCurlDownloader::postRequest", __LINE__, L"curl init error");
        return false;
    }
    utility::ScopedCurlList headerList;
    bool listComplete = headerList.append(kJsonContentType);
    for (const std::string& line : headers) {
        listComplete = listComplete && headerList.append(line.c_str());
    }
    if (!listComplete) {
        common::writeLog("QVCurlDownloader::postRequest", __LINE__, L"not enough memory error %d",
                         static_cast<int>(GetLastError()));
        return false;
    }
    // libcurl sends the body from this buffer while it runs; it must live until the perform ends.
    const std::string utf8Body = utility::ansiToUtf8(body);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    utility::MemoryAnswer answer;
    applyCommonSettings(curl.get(), url, errorBuffer);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, kMemoryTimeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(curl.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, utf8Body.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(utf8Body.size()));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &WriteMemoryCallbackPost);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &answer);
    const CURLcode code = curl_easy_perform(curl.get());
    if (code != CURLE_OK) {
        common::writeLog("QVCurlDownloader::postRequest", __LINE__, L"curl download error %S %s",
                         errorText(code, errorBuffer).c_str(), wideUrl.c_str());
        return false;
    }
    response = answer.take();
    return true;
}

bool QVCurlDownloader::downloadFile(const std::string& path, const std::string& url, Progress progress)
{
    common::writeLog("QVCurlDownloader::downloadFile", __LINE__, L"QVCurlDownloader::downloadfile start");
    m_transfer = std::make_unique<FileTransfer>();
    const std::wstring widePath = utility::ansiToWide(path);

    int64_t offset = 0;
    bool opened = false;
    if (m_transfer->file.openRead(widePath) && m_transfer->file.size() > 0) {
        offset = static_cast<int64_t>(m_transfer->file.size());
        m_transfer->file.close();
        opened = m_transfer->file.openReadWrite(widePath, true);
        if (opened) {
            m_transfer->file.seekEnd();
        }
    } else {
        m_transfer->file.close();
        opened = m_transfer->file.create(widePath);
    }
    if (!opened) {
        common::writeLog("QVCurlDownloader::downloadFile", __LINE__, L"open file error  error:%d %s",
                         static_cast<int>(GetLastError()), widePath.c_str());
        m_transfer.reset();
        return false;
    }

    Outcome outcome = _performFile(url, offset, progress);
    if (outcome == Outcome::kRangeRefused) {
        // The server sends the whole file instead of the rest (or a different rest). Appending
        // it would corrupt the file, so the download starts again from its beginning.
        common::writeLog("QVCurlDownloader::downloadFile", __LINE__,
                         L"server did not resume at %I64d, download again from 0", offset);
        m_transfer->file.close();
        if (m_transfer->file.create(widePath)) {
            outcome = _performFile(url, 0, progress);
        } else {
            common::writeLog("QVCurlDownloader::downloadFile", __LINE__, L"open file error  error:%d %s",
                             static_cast<int>(GetLastError()), widePath.c_str());
        }
    }
    const bool ok = outcome == Outcome::kDone;
    if (ok) {
        common::writeLog("QVCurlDownloader::downloadFile", __LINE__, L"curl download  file sucess");
    }
    m_transfer.reset();
    return ok;
}

QVCurlDownloader::Outcome QVCurlDownloader::_performFile(const std::string& url, int64_t offset,
                                                         const Progress& progress)
{
    utility::ScopedCurl curl(curl_easy_init());
    if (!curl) {
        common::writeLog("QVCurlDownloader::downloadFile", __LINE__, L"curl init error");
        return Outcome::kFailed;
    }
    m_transfer->progress = utility::CurlProgressRule(offset);
    m_transfer->report = &progress;

    char errorBuffer[CURL_ERROR_SIZE] = {};
    applyCommonSettings(curl.get(), url, errorBuffer);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, kFileMaxRedirects);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, kFileTimeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_MAX_RECV_SPEED_LARGE, kFileMaxReceiveSpeed);
    // An error page must never be appended to a partly downloaded package.
    curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
    if (offset > 0) {
        curl_easy_setopt(curl.get(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(offset));
    }
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &writeFileCallback);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, static_cast<FileState*>(m_transfer.get()));
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &progressCallback);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, static_cast<FileState*>(m_transfer.get()));

    const CURLcode code = curl_easy_perform(curl.get());
    if (code == CURLE_OK) {
        return Outcome::kDone;
    }
    common::writeLog("QVCurlDownloader::downloadFile", __LINE__, L"curl download error %S %s",
                     errorText(code, errorBuffer).c_str(), utility::ansiToWide(url).c_str());
    return code == CURLE_RANGE_ERROR && offset > 0 ? Outcome::kRangeRefused : Outcome::kFailed;
}
