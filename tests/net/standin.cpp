#include "standin.h"

#include "window_thread.h"

#include "utility/file.h"

#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <curl/curl.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <mutex>

#ifndef CORVANE_STANDIN_DIR
#error "CORVANE_STANDIN_DIR: the fixture server's work folder, in Windows form"
#endif

namespace nettest {
namespace {

const std::wstring kPortsFile = std::wstring(CORVANE_STANDIN_DIR) + L"/ports.json";
const std::wstring kRecordFile = std::wstring(CORVANE_STANDIN_DIR) + L"/requests.jsonl";

bool equalsNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && _strnicmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string member(const rapidjson::Value& object, const char* name)
{
    const auto found = object.FindMember(name);
    return found != object.MemberEnd() && found->value.IsString()
               ? std::string(found->value.GetString(), found->value.GetStringLength())
               : std::string();
}

int portOf(const rapidjson::Document& ports, const char* name)
{
    const auto found = ports.FindMember(name);
    return found != ports.MemberEnd() && found->value.IsInt() ? found->value.GetInt() : 0;
}

size_t discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (equalsNoCase(key, name)) {
            return value;
        }
    }
    return {};
}

bool RecordedRequest::hasHeader(const std::string& name) const
{
    for (const auto& entry : headers) {
        if (equalsNoCase(entry.first, name)) {
            return true;
        }
    }
    return false;
}

bool StandIn::attach(std::string& error)
{
    static std::once_flag curlStarted;
    std::call_once(curlStarted, [] { curl_global_init(CURL_GLOBAL_ALL); });

    std::string text;
    if (!readFile(kPortsFile, text)) {
        error = "no ports file of the stand-in (is the net_standin fixture running?)";
        return false;
    }
    rapidjson::Document ports;
    ports.Parse(text.c_str(), text.size());
    if (ports.HasParseError() || !ports.IsObject()) {
        error = "unreadable ports file: " + text;
        return false;
    }
    m_http = portOf(ports, "http");
    m_https = portOf(ports, "https");
    m_wrongHost = portOf(ports, "https_wrong_host");
    m_expired = portOf(ports, "https_expired");
    m_selfSigned = portOf(ports, "https_self_signed");
    if (m_http == 0 || m_https == 0 || m_wrongHost == 0 || m_expired == 0 || m_selfSigned == 0) {
        error = "the stand-in runs without every listener: " + text;
        return false;
    }
    return true;
}

int StandIn::port(const std::string& listener) const
{
    if (listener == "http") {
        return m_http;
    }
    if (listener == "https") {
        return m_https;
    }
    if (listener == "https_wrong_host") {
        return m_wrongHost;
    }
    if (listener == "https_expired") {
        return m_expired;
    }
    if (listener == "https_self_signed") {
        return m_selfSigned;
    }
    return 0;
}

std::string StandIn::url(const std::string& path, const std::string& listener) const
{
    const char* scheme = listener == "http" ? "http" : "https";
    return std::string(scheme) + "://localhost:" + std::to_string(port(listener)) + path;
}

std::wstring StandIn::wideUrl(const std::string& path, const std::string& listener) const
{
    const std::string narrow = url(path, listener);
    return std::wstring(narrow.begin(), narrow.end());
}

bool StandIn::control(const std::string& target, const std::string& body) const
{
    // A separate client from both under test, on a connection of its own.
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return false;
    }
    const std::string address = "http://127.0.0.1:" + std::to_string(m_http) + target;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return code == CURLE_OK && status == 200;
}

bool StandIn::setFault(const std::string& path, const std::string& fault) const
{
    // Merged, so that each test changes only the paths it owns.
    return control("/__control/faults?merge=1", "{\"" + path + "\": " + fault + "}");
}

bool StandIn::setFiles(const std::string& entries) const
{
    return control("/__control/files", entries);
}

bool StandIn::setTextFile(const std::string& path, const std::string& text) const
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(path.c_str(), static_cast<rapidjson::SizeType>(path.size()));
    writer.StartObject();
    writer.Key("text");
    writer.String(text.c_str(), static_cast<rapidjson::SizeType>(text.size()));
    writer.EndObject();
    writer.EndObject();
    return control("/__control/files", std::string(buffer.GetString(), buffer.GetSize()));
}

bool StandIn::setGeneratedFile(const std::string& path, size_t size) const
{
    return control("/__control/files",
                   "{\"" + path + "\": {\"size\": " + std::to_string(size) + ", \"seed\": \"net\"}}");
}

size_t StandIn::mark() const
{
    std::string text;
    if (!readFile(kRecordFile, text)) {
        return 0;
    }
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

std::vector<RecordedRequest> StandIn::requests(size_t mark, const std::string& path) const
{
    std::vector<RecordedRequest> found;
    std::string text;
    if (!readFile(kRecordFile, text)) {
        return found;
    }
    size_t line = 0;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        if (line++ < mark) {
            continue;
        }
        rapidjson::Document record;
        record.Parse(text.c_str() + start, end - start);
        if (record.HasParseError() || !record.IsObject()) {
            continue;
        }
        RecordedRequest request;
        request.path = member(record, "path");
        if (!path.empty() && request.path != path) {
            continue;
        }
        request.listener = member(record, "listener");
        request.method = member(record, "method");
        request.target = member(record, "target");
        request.head = member(record, "head");
        request.body = member(record, "body");
        const auto length = record.FindMember("body_length");
        if (length != record.MemberEnd() && length->value.IsInt64()) {
            request.bodyLength = length->value.GetInt64();
        }
        const auto headers = record.FindMember("headers");
        if (headers != record.MemberEnd() && headers->value.IsArray()) {
            for (const auto& pair : headers->value.GetArray()) {
                if (pair.IsArray() && pair.Size() == 2 && pair[0].IsString() && pair[1].IsString()) {
                    request.headers.emplace_back(pair[0].GetString(), pair[1].GetString());
                }
            }
        }
        found.push_back(std::move(request));
    }
    return found;
}

ScopedFault::ScopedFault(const StandIn& server, std::string path, const std::string& fault)
    : m_server(server), m_path(std::move(path)), m_ok(server.setFault(m_path, fault))
{
}

ScopedFault::~ScopedFault()
{
    (void)m_server.setFault(m_path, "null");
}

int closedPort()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    WSACleanup();
    return ntohs(address.sin_port);
}

std::string patternText(size_t size)
{
    std::string text;
    text.reserve(size + 8);
    char piece[16];
    for (size_t offset = 0; text.size() < size; offset += 8) {
        std::snprintf(piece, sizeof(piece), "%07u\n", static_cast<unsigned>(offset % 10000000));
        text += piece;
    }
    text.resize(size);
    return text;
}

ScratchDir::ScratchDir()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    m_dir = std::wstring(temp) + L"corvane-net-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    CreateDirectoryW(m_dir.c_str(), nullptr);
}

ScratchDir::~ScratchDir()
{
    testsupport::removeTree(m_dir);
}

bool writeFile(const std::wstring& path, const std::string& bytes)
{
    utility::ufile::File file;
    return file.create(path) && file.write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool readFile(const std::wstring& path, std::string& bytes)
{
    utility::ufile::File file;
    if (!file.openRead(path)) {
        return false;
    }
    bytes.assign(static_cast<size_t>(file.size()), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const uint32_t read = file.read(bytes.data() + done, static_cast<uint32_t>(bytes.size() - done));
        if (read == 0) {
            bytes.resize(done);
            break;
        }
        done += read;
    }
    return true;
}

}  // namespace nettest
