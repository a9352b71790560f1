#pragma once
// The bodies and signatures of the two event channels, built without any platform call: the
// callers hand in the texts (already in the code page the channel wants), times and GUIDs.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

// Measurement Protocol: {"client_id":…,"events":[{"name":…,"params":{"event_category":"4.9",
// "event_label":…}}]}, compact.
[[nodiscard]] std::string buildAnalyticsBody(const std::string& clientId, const std::string& name,
                                             const std::string& label);
// "/mp/collect?measurement_id=…&api_secret=…" appended to the collection host.
[[nodiscard]] std::string analyticsAddress(const std::string& host, const std::string& measurementId,
                                           const std::string& apiSecret);

// A GUID's fields, printed "%08X_%04X_%04x_%02X%02X_%02X%02X%02X%02X%02X%02X".
struct GuidFields {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};
};
[[nodiscard]] std::string formatGuid(const GuidFields& guid);

// The machine identifier from network adapters' 8-byte hardware address fields: all-zero fields
// are skipped, the first six bytes of each become 12 upper-case hex digits, sorted greatest first
// and joined with "|"; the result is their MD5, prefixed "<count in hex>-" when there are several.
// Empty when no adapter is usable.
[[nodiscard]] std::string machineIdFromAdapters(const std::vector<std::array<uint8_t, 8>>& addresses);

// Extra members of one signed-upload event, added after the fixed properties.
class ReportProperties {
public:
    void add(std::string name, std::string value) { m_members.push_back({std::move(name), std::move(value)}); }
    void add(std::string name, int64_t value) { m_members.push_back({std::move(name), value}); }

    struct Member {
        std::string name;
        std::variant<std::string, int64_t> value;
    };
    [[nodiscard]] const std::vector<Member>& members() const { return m_members; }

private:
    std::vector<Member> m_members;
};
using PropertyFiller = std::function<void(ReportProperties&)>;

// Named apart from windows.h, which defines ReportEvent as a macro.
struct UploadEvent {
    std::string key;         // UTF-8
    int64_t timeMs = 0;      // whole seconds × 1000
    PropertyFiller filler;   // may be empty
};

struct ReportIdentity {
    std::string deviceId;   // UTF-8
    std::string openid;
    std::string language;
};

// The upload's JSON array, one object per event in order; `nextGuid` gives each its "eventId".
[[nodiscard]] std::string buildReportBody(const std::vector<UploadEvent>& events, const ReportIdentity& identity,
                                          const std::function<GuidFields()>& nextGuid);

// The signing text "quenblat*timestamp=<timestamp><events × 1024>".
[[nodiscard]] std::string reportSigningText(int64_t timestamp, size_t eventCount);
// The last 8 digits of the signing text's MD5.
[[nodiscard]] std::string reportSignature(int64_t timestamp, size_t eventCount);
