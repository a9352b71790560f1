#include "model/app_plan.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(FirstApp, DecidesWhoFetchesTheApp)
{
    AppRecord store;
    store.fromAppStore = true;
    store.downloadUrl = L"https://h/a.apk";
    store.packageName = L"com.a";
    store.gameName = L"A";
    store.gameSltUrl = L"https://h/s.png";
    store.gameId = L"9";
    AppDecision decision = decideFirstApp(store);
    EXPECT_EQ(decision.handling, AppHandling::emulatorFetches);
    EXPECT_EQ(decision.emulatorArguments,
              L"apk=|show=true|package=com.a|downloadapkurl=https://h/a.apk;S.package=com.a;S.appname=A;"
              L"S.appicon=https://h/s.png;S.appsize=96");

    AppRecord game;
    game.gameId = L"77";
    game.packageName = L"com.g";
    game.downloadUrl = L"https://h/g.apk";
    decision = decideFirstApp(game);
    EXPECT_EQ(decision.handling, AppHandling::emulatorFetches);
    EXPECT_EQ(decision.emulatorArguments, L"apk=|show=true|package=com.g|downloadgameid=77");

    AppRecord here;
    here.downloadUrl = L"https://h/h.apk";
    here.gameName = L"Here";
    EXPECT_EQ(decideFirstApp(here).handling, AppHandling::downloadHere);
    here.packageName = L"com.h";
    EXPECT_EQ(decideFirstApp(here).handling, AppHandling::downloadHere);

    AppRecord packageOnly;
    packageOnly.packageName = L"com.p";
    decision = decideFirstApp(packageOnly);
    EXPECT_EQ(decision.handling, AppHandling::emulatorFetches);
    EXPECT_EQ(decision.emulatorArguments, L"apk=|show=true|package=com.p|downloadpackage=com.p");
}

TEST(SafeFileName, NamesFromTheServerStayInTheirFolder)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"My Game", L"My Game"},
        {L"..\\..\\x", L"______x"},
        {L"../../Windows/System32/evil", L"______Windows_System32_evil"},
        {L"a/b\\c:d*e?f\"g<h>i|j", L"a_b_c_d_e_f_g_h_i_j"},
        {L"C:\\Windows\\x", L"C__Windows_x"},
        {L"name. . ", L"name"},
        {L"...", L"__"},
        {L"", L"app"},
        {L"tab\there", L"tab_here"},
        {L"CON", L"_CON"},
        {L"nul.txt", L"_nul.txt"},
        {L"Console", L"Console"},
        {L"\u6e38\u620f", L"\u6e38\u620f"},
    };
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(safeFileName(name), safe) << common::toUtf8(name);
    }
}

TEST(AppFiles, NamedAfterTheGameAndThePackage)
{
    AppRecord record;
    record.gameName = L"..\\..\\x";
    record.packageName = L"com.x";
    AppFiles files = appFilesFor(L"D:\\Corvane\\Corvane9", record);
    EXPECT_EQ(files.package, L"D:\\Corvane\\Corvane9\\______x.apk");
    EXPECT_EQ(files.obb, L"D:\\Corvane\\Corvane9\\com.x.obb");
    EXPECT_EQ(files.icon, L"D:\\Corvane\\Corvane9\\com.x.ico");
    record.isXapk = true;
    EXPECT_EQ(appFilesFor(L"D:\\F", record).package, L"D:\\F\\______x.xapk");
}

}  // namespace
