#include "telemetry/event_bodies.h"

#include "telemetry/md5.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstdio>

namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void writeString(JsonWriter& writer, const std::string& text)
{
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

void writeKey(JsonWriter& writer, const char* key)
{
    writer.Key(key);
}

constexpr char kEventCategory[] = "4.9";
constexpr char kClientVersion[] = "4.9";

}  // namespace

std::string buildAnalyticsBody(const std::string& clientId, const std::string& name, const std::string& label)
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writeKey(writer, "client_id");
    writeString(writer, clientId);
    writeKey(writer, "events");
    writer.StartArray();
    writer.StartObject();
    writeKey(writer, "name");
    writeString(writer, name);
    writeKey(writer, "params");
    writer.StartObject();
    writeKey(writer, "event_category");
    writer.String(kEventCategory);
    writeKey(writer, "event_label");
    writeString(writer, label);
    writer.EndObject();
    writer.EndObject();
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string analyticsAddress(const std::string& host, const std::string& measurementId, const std::string& apiSecret)
{
    return host + "/mp/collect?measurement_id=" + measurementId + "&api_secret=" + apiSecret;
}

std::string formatGuid(const GuidFields& guid)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%08X_%04X_%04x_%02X%02X_%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(guid.data1), static_cast<unsigned>(guid.data2),
                  static_cast<unsigned>(guid.data3), guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3],
                  guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
    return text;
}

std::string machineIdFromAdapters(const std::vector<std::array<uint8_t, 8>>& addresses)
{
    std::vector<std::string> texts;
    for (const auto& address : addresses) {
        if (std::all_of(address.begin(), address.end(), [](uint8_t b) { return b == 0; })) {
            continue;
        }
        char text[16];
        std::snprintf(text, sizeof(text), "%02X%02X%02X%02X%02X%02X", address[0], address[1], address[2],
                      address[3], address[4], address[5]);
        texts.emplace_back(text);
    }
    if (texts.empty()) {
        return {};
    }
    std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) { return a > b; });
    std::string joined;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            joined += "|";
        }
        joined += texts[i];
    }
    std::string id = md5Hex(joined);
    if (texts.size() > 1) {
        char prefix[24];
        std::snprintf(prefix, sizeof(prefix), "%zx-", texts.size());
        id = prefix + id;
    }
    return id;
}

std::string buildReportBody(const std::vector<UploadEvent>& events, const ReportIdentity& identity,
                            const std::function<GuidFields()>& nextGuid)
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartArray();
    for (const UploadEvent& event : events) {
        writer.StartObject();
        writeKey(writer, "appId");
        writer.Int(1);
        writeKey(writer, "eventId");
        writeString(writer, formatGuid(nextGuid()));
        writeKey(writer, "eventKey");
        writeString(writer, event.key);
        writeKey(writer, "timestamp");
        writer.Int64(event.timeMs);
        writeKey(writer, "properties");
        writer.StartObject();
        writeKey(writer, "zaz_version");
        writer.String(kClientVersion);
        writeKey(writer, "zaz_mac");
        writeString(writer, identity.deviceId);
        writeKey(writer, "device_id");
        writeString(writer, identity.deviceId);
        writeKey(writer, "openid");
        writeString(writer, identity.openid);
        writeKey(writer, "language");
        writeString(writer, identity.language);
        writeKey(writer, "downloader_package");
        writer.Int(1);
        if (event.filler) {
            ReportProperties extras;
            event.filler(extras);
            for (const ReportProperties::Member& member : extras.members()) {
                writeString(writer, member.name);
                if (const auto* text = std::get_if<std::string>(&member.value)) {
                    writeString(writer, *text);
                } else {
                    writer.Int64(std::get<int64_t>(member.value));
                }
            }
        }
        writer.EndObject();
        writer.EndObject();
    }
    writer.EndArray();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string reportSigningText(int64_t timestamp, size_t eventCount)
{
    return "quenblat*timestamp=" + std::to_string(timestamp) + std::to_string(eventCount * 1024);
}

std::string reportSignature(int64_t timestamp, size_t eventCount)
{
    const std::string digest = md5Hex(reportSigningText(timestamp, eventCount));
    return digest.substr(digest.size() - 8);
}
