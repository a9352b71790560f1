#include "model/emulator_config.h"

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

ChannelWriteResult rewriteChannelId(const std::string& json, const std::string& channelId)
{
    ChannelWriteResult result;
    rapidjson::Document document;
    document.Parse<rapidjson::kParseIterativeFlag>(json.data(), json.size());
    if (document.HasParseError() || !document.IsObject()) {
        return result;
    }
    const auto channel = document.FindMember("channelOpenId");
    if (channel == document.MemberEnd() || !channel->value.IsString()) {
        result.status = ChannelWrite::noChannelMember;
        return result;
    }
    result.oldValue.assign(channel->value.GetString(), channel->value.GetStringLength());
    channel->value.SetString(channelId.data(), static_cast<rapidjson::SizeType>(channelId.size()),
                             document.GetAllocator());
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 4);
    document.Accept(writer);
    result.document.assign(buffer.GetString(), buffer.GetSize());
    result.status = ChannelWrite::written;
    return result;
}

LaunchIniPlan planLaunchIni(const LaunchSettings& settings)
{
    LaunchIniPlan plan;
    if (!settings.showAds) {
        plan.beforeRunValue.push_back({L"adshow", L"0"});
    }
    if (settings.cleanMode) {
        plan.beforeRunValue.push_back({L"cleanmodel", L"1"});
    }
    plan.deleteRunValue = !settings.showAds || settings.cleanMode;
    if (settings.root == 0) {
        plan.afterRunValue.push_back({L"useroot", L"0"});
    }
    if (!settings.runAppStore) {
        plan.afterRunValue.push_back({L"runappstore", L"0"});
    }
    if (!settings.title.empty()) {
        plan.afterRunValue.push_back({L"title", settings.title, true});
    }
    if (!settings.heapSize.empty()) {
        plan.afterRunValue.push_back({L"heapsize", settings.heapSize, true});
    }
    if (!settings.communityLink.empty()) {
        plan.afterRunValue.push_back({L"qqlink", settings.communityLink});
    }
    if (!settings.appToRun.empty()) {
        plan.afterRunValue.push_back({L"runapp", settings.appToRun});
    }
    return plan;
}
