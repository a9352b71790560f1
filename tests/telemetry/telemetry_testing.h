#pragma once
// Shared by the telemetry tests under Wine: a scratch registry key, the stand-in's verdict on
// signed uploads, waiting for recorded requests, and the GUID shape of identifiers.

#include "standin.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace telemetrytest {

inline constexpr char kUploadPath[] = "/collect/collection/biz/upload";
inline constexpr char kAnalyticsPath[] = "/ga/mp/collect";

// A key of its own under HKEY_CURRENT_USER (64-bit view), with a trailing "\" as the product's
// key has; removed with everything in it at the end.
class ScratchRegistryKey {
public:
    ScratchRegistryKey();
    ~ScratchRegistryKey();

    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    [[nodiscard]] const std::wstring& path() const { return m_path; }

    [[nodiscard]] bool setValue(const wchar_t* name, DWORD type, const std::string& bytes) const;
    // False when the value is absent.
    [[nodiscard]] bool value(const wchar_t* name, DWORD& type, std::string& bytes) const;

private:
    std::wstring m_path;
};

// The bytes of a wide text as the registry and the identifier file hold it, without terminator.
[[nodiscard]] std::string wideBytes(const std::wstring& text);

// The stand-in's "signatureValid" of each signed upload recorded after `mark`, in order; none
// for a record that lacks it.
[[nodiscard]] std::vector<std::optional<bool>> signatureVerdicts(size_t mark);

// Requests for `path` recorded after `mark`, once there are at least `count` or `timeoutMs` has
// passed (then whatever there is).
[[nodiscard]] std::vector<nettest::RecordedRequest> waitForRequests(const nettest::StandIn& server, size_t mark,
                                                                   const std::string& path, size_t count,
                                                                   DWORD timeoutMs);

// "%08X_%04X_%04x_%02X%02X_%02X%02X%02X%02X%02X%02X" of some GUID.
[[nodiscard]] bool isGuidShaped(const std::string& text);

}  // namespace telemetrytest
