#include "vantrels_config.h"

#include "standin_support.h"

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

namespace standin {

namespace {

using Allocator = rapidjson::Document::AllocatorType;

rapidjson::Value settingsObject(ConfigShape shape, const ConfigValues& values, Allocator& allocator)
{
    rapidjson::Value root(rapidjson::kObjectType);
    if (shape == ConfigShape::channelNotString) {
        root.AddMember("channelOpenId", 1001, allocator);
    } else if (shape != ConfigShape::noChannelOpenId) {
        root.AddMember("channelOpenId", jsonText(values.openid, allocator), allocator);
    }
    root.AddMember("configVersion", 3, allocator);
    root.AddMember("emulatorType", jsonText(std::to_wstring(values.type), allocator), allocator);
    root.AddMember("language", jsonText(values.language, allocator), allocator);
    root.AddMember("googleId", jsonText(values.googleid, allocator), allocator);
    // Non-ASCII on purpose: a rewrite must keep the UTF-8 text as it is.
    root.AddMember("displayName", "Corvane \xE2\x80\x94 Android 9", allocator);

    rapidjson::Value resolution(rapidjson::kObjectType);
    resolution.AddMember("width", 1600, allocator);
    resolution.AddMember("height", 900, allocator);
    resolution.AddMember("dpi", 240, allocator);
    rapidjson::Value vm(rapidjson::kObjectType);
    vm.AddMember("index", 0, allocator);
    vm.AddMember("cpuCores", 2, allocator);
    vm.AddMember("memoryMb", 4096, allocator);
    vm.AddMember("resolution", resolution, allocator);
    root.AddMember("vm", vm, allocator);

    rapidjson::Value features(rapidjson::kArrayType);
    features.PushBack("opengl", allocator);
    features.PushBack("keymapping", allocator);
    features.PushBack("multiplayer", allocator);
    root.AddMember("features", features, allocator);
    root.AddMember("autoUpdate", true, allocator);
    root.AddMember("scale", 1.5, allocator);
    root.AddMember("lastBackup", rapidjson::Value(rapidjson::kNullType), allocator);
    return root;
}

std::string withCrlf(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            result += '\r';
        }
        result += c;
    }
    return result;
}

}  // namespace

bool configShapeFromName(const std::wstring& name, ConfigShape& shape)
{
    static const struct {
        const wchar_t* name;
        ConfigShape shape;
    } kShapes[] = {
        {L"standard", ConfigShape::standard},
        {L"noChannelOpenId", ConfigShape::noChannelOpenId},
        {L"channelNotString", ConfigShape::channelNotString},
        {L"notObject", ConfigShape::notObject},
        {L"invalidJson", ConfigShape::invalidJson},
        {L"absent", ConfigShape::absent},
    };
    for (const auto& entry : kShapes) {
        if (name == entry.name) {
            shape = entry.shape;
            return true;
        }
    }
    return false;
}

std::string vantrelsConfigText(ConfigShape shape, const ConfigValues& values)
{
    if (shape == ConfigShape::absent) {
        return {};
    }
    rapidjson::Document document;
    Allocator& allocator = document.GetAllocator();
    rapidjson::Value settings = settingsObject(shape, values, allocator);
    if (shape == ConfigShape::notObject) {
        document.SetArray();
        document.PushBack(settings, allocator);
    } else {
        document.CopyFrom(settings, allocator);
    }

    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent('\t', 1);
    document.Accept(writer);
    std::string text(buffer.GetString(), buffer.GetSize());
    if (shape == ConfigShape::invalidJson) {
        text.resize(text.size() / 2);
    }
    return withCrlf(text) + "\r\n";
}

}  // namespace standin
