#include "model/emulator_config.h"

#include <gtest/gtest.h>

namespace {

TEST(ChannelId, ReplacesOnlyTheChannelAndKeepsEveryOtherMember)
{
    const std::string config =
        "{\r\n\t\"channelOpenId\": \"1001\",\r\n\t\"name\": \"Caf\xC3\xA9\",\r\n\t\"nested\": {\"a\": [1, 2.5, null]},"
        "\r\n\t\"flag\": true\r\n}";
    const ChannelWriteResult result = rewriteChannelId(config, "30412");
    ASSERT_EQ(result.status, ChannelWrite::written);
    EXPECT_EQ(result.oldValue, "1001");
    EXPECT_EQ(result.document,
              "{\n"
              "    \"channelOpenId\": \"30412\",\n"
              "    \"name\": \"Caf\xC3\xA9\",\n"
              "    \"nested\": {\n"
              "        \"a\": [\n"
              "            1,\n"
              "            2.5,\n"
              "            null\n"
              "        ]\n"
              "    },\n"
              "    \"flag\": true\n"
              "}");
}

TEST(ChannelId, LeavesConfigurationsWithoutAStringChannelAlone)
{
    EXPECT_EQ(rewriteChannelId(R"({"other": 1})", "5").status, ChannelWrite::noChannelMember);
    EXPECT_EQ(rewriteChannelId(R"({"channelOpenId": 1001})", "5").status, ChannelWrite::noChannelMember);
    EXPECT_EQ(rewriteChannelId("[]", "5").status, ChannelWrite::notObject);
    EXPECT_EQ(rewriteChannelId("{broken", "5").status, ChannelWrite::notObject);
    EXPECT_TRUE(rewriteChannelId("{broken", "5").document.empty());
}

TEST(LaunchIni, KeysInOrderAndTheRunValueBetween)
{
    LaunchSettings defaults;
    const LaunchIniPlan none = planLaunchIni(defaults);
    EXPECT_TRUE(none.beforeRunValue.empty());
    EXPECT_FALSE(none.deleteRunValue);
    EXPECT_TRUE(none.afterRunValue.empty()) << "root absent writes nothing";

    LaunchSettings all;
    all.showAds = false;
    all.cleanMode = true;
    all.root = 0;
    all.runAppStore = false;
    all.title = L"T\u00ed";
    all.heapSize = L"2048";
    all.communityLink = L"https://q";
    all.appToRun = L"com.run";
    const LaunchIniPlan plan = planLaunchIni(all);
    ASSERT_EQ(plan.beforeRunValue.size(), 2u);
    EXPECT_EQ(plan.beforeRunValue[0].key, L"adshow");
    EXPECT_EQ(plan.beforeRunValue[0].value, L"0");
    EXPECT_EQ(plan.beforeRunValue[1].key, L"cleanmodel");
    EXPECT_EQ(plan.beforeRunValue[1].value, L"1");
    EXPECT_TRUE(plan.deleteRunValue);
    std::vector<std::wstring> keys;
    for (const IniEntry& entry : plan.afterRunValue) {
        keys.push_back(entry.key);
    }
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"useroot", L"runappstore", L"title", L"heapsize", L"qqlink", L"runapp"}));
    EXPECT_TRUE(plan.afterRunValue[2].throughAnsiProfile);
    EXPECT_TRUE(plan.afterRunValue[3].throughAnsiProfile);
    EXPECT_FALSE(plan.afterRunValue[4].throughAnsiProfile);

    LaunchSettings rootTrue;
    rootTrue.root = 1;
    EXPECT_TRUE(planLaunchIni(rootTrue).afterRunValue.empty());
    LaunchSettings onlyClean;
    onlyClean.cleanMode = true;
    EXPECT_TRUE(planLaunchIni(onlyClean).deleteRunValue);
}

}  // namespace
