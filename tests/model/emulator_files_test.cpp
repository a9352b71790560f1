#include "model/emulator_files.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallerCommand, BuildsTheSilentParametersInOrder)
{
    emulator::InstallerArguments arguments{L"1001", L"en", L"D:\\Corvane\\Corvane9\\", L""};
    EXPECT_EQ(emulator::installerParameters(arguments),
              L"-silence -downloader -openid=1001 -language=en -path=\"D:\\Corvane\\Corvane9\\\"");
    arguments.googleId = L"a_b";
    arguments.language.clear();
    EXPECT_EQ(emulator::installerParameters(arguments),
              L"-silence -downloader -openid=1001 -path=\"D:\\Corvane\\Corvane9\\\" -googleid=a_b");
    EXPECT_EQ(emulator::installerCommand(L"D:\\C\\Corvane.exe", L"-x"), L"\"D:\\C\\Corvane.exe\" -x");
}

TEST(InstallerCommand, RefusesAFolderThatWouldBreakItsQuotes)
{
    const emulator::InstallerArguments arguments{L"1001", L"en", L"D:\\x\" -evil \"", L""};
    EXPECT_FALSE(emulator::installerParameters(arguments).has_value());
}

TEST(EmulatorCommands, ConsoleToolAndStartArguments)
{
    EXPECT_EQ(emulator::setResolutionCommand(L"1280x720"), L"modify --index 0 --resolution 1280x720");
    EXPECT_EQ(emulator::installApkCommand(L"D:\\a b\\g.apk", L"com.x", L""),
              L"installapk --index 0 --filename \"D:\\a b\\g.apk\" --wait --hide");
    EXPECT_EQ(emulator::installApkCommand(L"D:\\g.apk", L"com.x", L"D:\\com.x.obb"),
              L"installapk --index 0 --filename \"D:\\g.apk\" --packagename com.x --fileobb \"D:\\com.x.obb\" "
              L"--wait --hide");
    EXPECT_EQ(emulator::startAfterDownload(L"com.example.game"),
              L"downloadpackage=com.example.game|package=com.example.game");
    EXPECT_EQ(emulator::startWithPackage(L"com.x"), L"package=com.x");
    EXPECT_EQ(emulator::taskkillParameters(L"redovedu.exe"), L"/F /IM redovedu.exe /T");
}

}  // namespace
