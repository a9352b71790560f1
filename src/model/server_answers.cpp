#include "model/server_answers.h"

#include "common/utf8.h"

#include <rapidjson/document.h>

namespace {

using rapidjson::Value;

// Iterative parsing: a deeply nested answer must not exhaust the worker's stack.
constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag;

// Every answer the servers send is a JSON object; anything else is treated as no answer.
bool parseObject(rapidjson::Document& document, std::string_view json)
{
    document.Parse<kParseFlags>(json.data(), json.size());
    return !document.HasParseError() && document.IsObject();
}

const Value* member(const Value& object, const char* name)
{
    if (!object.IsObject()) {
        return nullptr;
    }
    const auto found = object.FindMember(name);
    return found == object.MemberEnd() ? nullptr : &found->value;
}

std::optional<std::string_view> stringMember(const Value& object, const char* name)
{
    const Value* value = member(object, name);
    if (value == nullptr || !value->IsString()) {
        return std::nullopt;
    }
    return std::string_view(value->GetString(), value->GetStringLength());
}

std::optional<std::wstring> decodedMember(const Value& object, const char* name,
                                          const std::function<std::wstring(std::string_view)>& decode)
{
    const std::optional<std::string_view> text = stringMember(object, name);
    if (!text) {
        return std::nullopt;
    }
    return decode(*text);
}

VersionAnswerEntry readEntry(const Value& entry, const TextDecoders& decoders)
{
    VersionAnswerEntry result;
    result.version = decodedMember(entry, "ver", decoders.utf8);
    result.packageUrl = decodedMember(entry, "url", decoders.utf8);
    result.spareUrl = decodedMember(entry, "url_spare", decoders.utf8);
    if (const std::optional<std::string_view> digest = stringMember(entry, "md5")) {
        result.digest = std::string(*digest);
    }
    return result;
}

std::optional<VersionAnswerEntry> readEntryMember(const Value& root, const char* name, const TextDecoders& decoders)
{
    const Value* entry = member(root, name);
    if (entry == nullptr || !entry->IsObject()) {
        return std::nullopt;
    }
    return readEntry(*entry, decoders);
}

template <typename T>
void assignIfSet(T& field, const std::optional<T>& value)
{
    if (value) {
        field = *value;
    }
}

}  // namespace

VersionAnswer readVersionAnswer(std::string_view json, const TextDecoders& decoders)
{
    VersionAnswer answer;
    rapidjson::Document document;
    if (!parseObject(document, json)) {
        return answer;
    }
    answer.isObject = true;
    answer.type4 = readEntryMember(document, "zaz4", decoders);
    answer.type64 = readEntryMember(document, "zaz64", decoders);
    answer.type9 = readEntryMember(document, "zaz9", decoders);
    answer.type3 = readEntryMember(document, "zaz", decoders);
    return answer;
}

ChosenVersion chooseVersion(const VersionAnswer& answer, EmulatorType type, ChosenVersion known)
{
    if (answer.type4) {
        assignIfSet(known.type4.version, answer.type4->version);
        assignIfSet(known.type4.packageUrl, answer.type4->packageUrl);
        assignIfSet(known.type4.sparePackageUrl, answer.type4->spareUrl);
        assignIfSet(known.digest, answer.type4->digest);
    }
    if (type == EmulatorType::type4) {
        known.current = known.type4;
    } else {
        const std::optional<VersionAnswerEntry>& entry =
            type == EmulatorType::type64 ? answer.type64 : type == EmulatorType::type9 ? answer.type9 : answer.type3;
        if (entry) {
            assignIfSet(known.current.version, entry->version);
            assignIfSet(known.digest, entry->digest);
            assignIfSet(known.current.packageUrl, entry->packageUrl);
            assignIfSet(known.current.sparePackageUrl, entry->spareUrl);
        }
    }
    if (known.current.sparePackageUrl.empty()) {
        known.current.sparePackageUrl = known.current.packageUrl;
    }
    return known;
}

bool isJsonObject(std::string_view json)
{
    rapidjson::Document document;
    return parseObject(document, json);
}

PackageConfiguration readPackageApps(std::string_view json, const TextDecoders& decoders)
{
    PackageConfiguration configuration;
    rapidjson::Document document;
    if (!parseObject(document, json)) {
        return configuration;
    }
    const Value* result = member(document, "result");
    if (result == nullptr || !result->IsArray()) {
        return configuration;
    }
    for (const Value& element : result->GetArray()) {
        AppRecord app;
        assignIfSet(app.downloadUrl, decodedMember(element, "app_download_url", decoders.utf8));
        assignIfSet(app.packageName, decodedMember(element, "app_package_name", decoders.utf8));
        assignIfSet(app.gameName, decodedMember(element, "gamename", decoders.utf8));
        assignIfSet(app.iconUrl, decodedMember(element, "app_icon", decoders.utf8));
        assignIfSet(app.obbUrl, decodedMember(element, "app_obb", decoders.utf8));
        assignIfSet(app.gameSltUrl, decodedMember(element, "game_slt_url", decoders.utf8));
        assignIfSet(app.resolution, decodedMember(element, "resolution", decoders.ansi));
        assignIfSet(app.gameId, decodedMember(element, "gameid", decoders.ansi));
        app.isXapk = stringMember(element, "xapk") == std::optional<std::string_view>("1");
        app.fromAppStore = stringMember(element, "from_appstore") == std::optional<std::string_view>("1");
        if (!app.downloadUrl.empty() || !app.gameId.empty() || !app.packageName.empty()) {
            configuration.apps.push_back(std::move(app));
        }
    }
    return configuration;
}

void readLaunchSettings(std::string_view json, const TextDecoders& decoders, LaunchSettings& settings)
{
    rapidjson::Document document;
    if (!parseObject(document, json)) {
        return;
    }
    assignIfSet(settings.landscapePictureUrl, decodedMember(document, "launch_h", decoders.utf8));
    assignIfSet(settings.portraitPictureUrl, decodedMember(document, "launch_V", decoders.utf8));
    assignIfSet(settings.title, decodedMember(document, "title", decoders.utf8));
    assignIfSet(settings.appToRun, decodedMember(document, "runapp", decoders.utf8));
    assignIfSet(settings.communityLink, decodedMember(document, "qqlink", decoders.utf8));
    assignIfSet(settings.shortcutName, decodedMember(document, "shortcutname", decoders.utf8));
    assignIfSet(settings.shortcutIconUrl, decodedMember(document, "shortcuturl", decoders.utf8));
    assignIfSet(settings.heapSize, decodedMember(document, "heapsize", decoders.utf8));
    auto integerFlag = [&](const char* name, bool& field) {
        const Value* value = member(document, name);
        if (value != nullptr && value->IsInt64()) {
            field = value->GetInt64() != 0;
        }
    };
    integerFlag("ad", settings.showAds);
    integerFlag("cleanmodel", settings.cleanMode);
    integerFlag("runappstore", settings.runAppStore);
    const Value* root = member(document, "root");
    if (root != nullptr && root->IsBool()) {
        settings.root = root->GetBool() ? 1 : 0;
    }
}

ChannelAnswer readChannelAnswer(std::string_view json)
{
    ChannelAnswer answer;
    rapidjson::Document document;
    if (!parseObject(document, json)) {
        return answer;
    }
    const Value* code = member(document, "code");
    if (code == nullptr || !code->IsInt64() || code->GetInt64() != 200) {
        answer.status = ChannelStatus::codeNotRight;
        return answer;
    }
    answer.status = ChannelStatus::ok;
    const Value* data = member(document, "data");
    if (data != nullptr && data->IsInt64() && data->GetInt64() > 0) {
        answer.channelId = common::fromUtf8(std::to_string(data->GetInt64()));
    }
    return answer;
}

CustomerTexts readCustomerTexts(std::string_view json, const std::wstring& profileCode, const TextDecoders& decoders)
{
    CustomerTexts texts;
    rapidjson::Document document;
    if (!parseObject(document, json)) {
        return texts;
    }
    texts.isObject = true;
    const std::string key = profileCode.empty() ? std::string("en") : common::toUtf8(profileCode);
    const auto found = document.FindMember(rapidjson::Value(key.c_str(), static_cast<rapidjson::SizeType>(key.size())));
    if (found == document.MemberEnd() || !found->value.IsObject()) {
        return texts;
    }
    texts.installError = decodedMember(found->value, "installError", decoders.utf8);
    texts.customerLink = decodedMember(found->value, "customerLink", decoders.utf8);
    return texts;
}
