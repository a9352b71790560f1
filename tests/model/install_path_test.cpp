#include "model/install_path.h"

#include "common/utf8.h"
#include "fake_drives.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <map>

namespace {

FakeDrive ntfs(const wchar_t* root, uint64_t freeBytes, bool ssd = false)
{
    FakeDrive drive;
    drive.root = root;
    drive.freeBytes = freeBytes;
    drive.trim = ssd;
    return drive;
}

TEST(PickBestDrive, PrefersARoomySsdAndOtherwiseTheMostSpace)
{
    {
        FakeDrives drives({ntfs(L"C:\\", 20 * kGiB, true), ntfs(L"D:\\", 500 * kGiB)});
        bool ssd = false;
        EXPECT_EQ(pickBestDrive(drives, ssd), L"C:\\");
        EXPECT_TRUE(ssd);
        bool cSsd = false;
        EXPECT_DOUBLE_EQ(driveScore(drives, L"C:\\", cSsd), 20480.0 * 1000);
    }
    {
        FakeDrives drives({ntfs(L"C:\\", 16 * kGiB, true), ntfs(L"D:\\", 500 * kGiB)});
        bool ssd = true;
        EXPECT_EQ(pickBestDrive(drives, ssd), L"D:\\");
        EXPECT_FALSE(ssd);
    }
    {
        // Exactly 17408 MiB is not "more than": no bonus.
        FakeDrives drives({ntfs(L"C:\\", 17 * kGiB, true)});
        bool ssd = false;
        EXPECT_DOUBLE_EQ(driveScore(drives, L"C:\\", ssd), 17408.0);
    }
}

TEST(PickBestDrive, TiesKeepTheEarlierDriveAndOtherFileSystemsScoreZero)
{
    FakeDrive exfat = ntfs(L"C:\\", 900 * kGiB);
    exfat.fileSystem = L"exFAT";
    FakeDrive unknownFs = ntfs(L"F:\\", 10 * kGiB);
    unknownFs.fileSystem = std::nullopt;  // an unreadable name still counts
    FakeDrives drives({exfat, ntfs(L"D:\\", 100 * kGiB), ntfs(L"E:\\", 100 * kGiB), unknownFs});
    bool ssd = false;
    EXPECT_DOUBLE_EQ(driveScore(drives, L"C:\\", ssd), 0.0);
    EXPECT_DOUBLE_EQ(driveScore(drives, L"F:\\", ssd), 10240.0);
    EXPECT_EQ(pickBestDrive(drives, ssd), L"D:\\");

    FakeDrives allZero({exfat, [] {
                            FakeDrive other = ntfs(L"E:\\", 5 * kGiB);
                            other.fileSystem = L"ReFS";
                            return other;
                        }()});
    EXPECT_EQ(pickBestDrive(allZero, ssd), L"C:\\") << "the first zero-score drive wins";
    FakeDrives none;
    EXPECT_EQ(pickBestDrive(none, ssd), L"");
}

TEST(ListFixedDrives, KeepsFixedDrivesUnlessKnownToBeRemovableOrHotPluggable)
{
    FakeDrive removable = ntfs(L"E:\\", kGiB);
    removable.kind = DriveKind::removable;
    FakeDrive network = ntfs(L"Z:\\", kGiB);
    network.kind = DriveKind::remote;
    FakeDrive usbDisk = ntfs(L"F:\\", kGiB);
    usbDisk.hotplug = HotplugAnswer::removableOrHotplug;
    FakeDrive unaskable = ntfs(L"G:\\", kGiB);
    unaskable.hotplug = HotplugAnswer::queryFailed;
    FakeDrive unopenable = ntfs(L"H:\\", kGiB);
    unopenable.hotplug = HotplugAnswer::deviceNotOpened;
    FakeDrives drives({ntfs(L"C:\\", kGiB), removable, network, usbDisk, unaskable, unopenable});
    EXPECT_EQ(listFixedDrives(drives), (std::vector<std::wstring>{L"C:\\", L"G:\\", L"H:\\"}));
}

TEST(InstallPathText, NormalizeTable)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"D:/Games/Corvane", L"D:\\Games\\Corvane\\"},
        {L"  D:\\\\Games\\\\\\x  ", L"D:\\Games\\\\x\\"},
        {L"D:\\a\\", L"D:\\a\\"},
        {L"", L""},
        {L"   ", L""},
    };
    for (const auto& [input, expected] : cases) {
        std::wstring folder = input;
        normalizeInstallPath(folder);
        EXPECT_EQ(folder, expected) << common::toUtf8(input);
    }
}

TEST(InstallPathText, ValidityTable)
{
    FakeDrive full = ntfs(L"E:\\", 0);
    FakeDrives drives({ntfs(L"C:\\", 50 * kGiB), ntfs(L"D:\\", 50 * kGiB), full});
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"D:\\Corvane\\Corvane9\\", true},
        {L"d:/corvane//corvane9/", true},
        {L"  D:\\Corvane  ", true},
        {L"D:\\Cor?vane\\", false},
        {L"D:\\Cor\"vane\\", false},
        {L"D:\"\\x\\", false},
        {L"D:\\a:b\\", false},
        {L"D:\\a|b\\", false},
        {L"D:\\a\\ \\b\\", false},
        {L"D:", false},
        {L"D:\\", false},  // the drive alone is too short once the separator is trimmed
        {L"Q:\\Corvane\\", false},
        {L"E:\\Corvane\\", false},
        {L"Corvane\\Corvane9\\", false},
        {L"\\\\server\\share\\x\\", false},
    };
    for (const auto& [folder, valid] : cases) {
        EXPECT_EQ(isValidInstallPath(drives, folder), valid) << common::toUtf8(folder);
    }
}

TEST(CompleteInstallPath, AddsWhatTheChosenFolderLacks)
{
    FakeDrives drives({ntfs(L"C:\\", 50 * kGiB), ntfs(L"D:\\", 50 * kGiB)});
    const std::wstring sub = L"Corvane\\Corvane9\\";
    const std::wstring name = L"Corvane9\\";
    struct Case {
        const wchar_t* chosen;
        const wchar_t* folder;
        bool valid;
    };
    const Case cases[] = {
        {L"D:\\", L"D:\\Corvane\\Corvane9\\", true},
        {L"D:", L"D:\\Corvane\\Corvane9\\", true},
        {L"D:\\Games\\VanTrel", L"D:\\Games\\VanTrel\\Corvane9\\", true},
        {L"D:\\vantrel\\", L"D:\\vantrel\\Corvane9\\", true},
        {L"D:\\VanTrelX", L"D:\\VanTrelX\\Corvane\\Corvane9\\", true},
        {L"D:\\Apps\\Corvane Beta", L"D:\\Apps\\Corvane Beta\\", true},
        {L"D:\\corvane", L"D:\\corvane\\Corvane\\Corvane9\\", true},  // the product name is case-sensitive
        {L"D:\\redovedu\\", L"D:\\redovedu\\", true},
        {L"D:/Apps", L"D:\\Apps\\Corvane\\Corvane9\\", true},  // normalised once valid
        {L"D:\\Ga?mes", L"D:\\Ga?mes\\Corvane\\Corvane9\\", false},  // stored, but marked invalid
        {L"\\\\server\\share\\", L"\\\\server\\share\\Corvane\\Corvane9\\", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(common::toUtf8(c.chosen));
        const AppliedInstallPath applied = completeInstallPath(drives, c.chosen, sub, name);
        EXPECT_EQ(applied.folder, c.folder);
        EXPECT_EQ(applied.valid, c.valid);
    }
}

class ChooseInstallPath : public ::testing::Test {
protected:
    InstallDirReader reader()
    {
        return [this](const std::wstring& key) {
            asked.push_back(key);
            const auto found = registry.find(key);
            return found == registry.end() ? std::wstring() : found->second;
        };
    }
    std::map<std::wstring, std::wstring> registry;
    std::vector<std::wstring> asked;
    FakeDrives drives{{ntfs(L"C:\\", 20 * kGiB, true), ntfs(L"D:\\", 500 * kGiB)}};
    testsupport::LogCapture log;
};

TEST_F(ChooseInstallPath, AnEarlierInstallationWinsAndLeavesNoBestFolder)
{
    registry[L"Software\\Belquor\\Corvane9"] = L"X:\\odd place?";
    const InstallPathChoice choice = chooseInstallPath(drives, reader(), EmulatorType::type9, L"en",
                                                       L"Software\\Belquor\\Corvane9", L"Corvane\\Corvane9\\");
    EXPECT_EQ(choice.installFolder, L"X:\\odd place?") << "used as stored";
    EXPECT_EQ(choice.bestFolder, L"");
    EXPECT_FALSE(choice.bestHasSsd);
    EXPECT_TRUE(log.contains("DownloaderModel::_calcInstallPath", L"read from reg: path is X:\\odd place?"));
}

TEST_F(ChooseInstallPath, WithoutOneTheBestDriveGetsTheSubPath)
{
    const InstallPathChoice choice = chooseInstallPath(drives, reader(), EmulatorType::type9, L"en",
                                                       L"Software\\Belquor\\Corvane9", L"Corvane\\Corvane9\\");
    EXPECT_EQ(choice.installFolder, L"C:\\Corvane\\Corvane9\\");
    EXPECT_EQ(choice.bestFolder, L"C:\\Corvane\\Corvane9\\");
    EXPECT_TRUE(choice.bestHasSsd);
    EXPECT_TRUE(log.contains("DownloaderModel::_calcInstallPath", L"read from reg: path is "));
    EXPECT_TRUE(log.contains("DownloaderModel::_calcInstallPath",
                             L"get install path from MaxFreeSpace: C:\\Corvane\\Corvane9\\"));
}

TEST_F(ChooseInstallPath, TaiwanAndKoreaAskTheirOwnKeysFirstForTypesNineAndThree)
{
    struct Case {
        EmulatorType type;
        const wchar_t* language;
        std::vector<std::wstring> keys;
    };
    const std::wstring typeKey = L"TypeKey";
    const Case cases[] = {
        {EmulatorType::type9, L"tw", {L"Software\\Morvath\\redovedu-tw", typeKey}},
        {EmulatorType::type3, L"kr", {L"Software\\Morvath\\redovedu-kr", typeKey}},
        {EmulatorType::type4, L"tw", {typeKey}},
        {EmulatorType::type64, L"kr", {typeKey}},
        {EmulatorType::type9, L"en", {typeKey}},
    };
    for (const Case& c : cases) {
        asked.clear();
        (void)chooseInstallPath(drives, reader(), c.type, c.language, typeKey, L"Corvane\\Corvane9\\");
        EXPECT_EQ(asked, c.keys) << common::toUtf8(c.language);
    }
    registry[L"Software\\Morvath\\redovedu-tw"] = L"E:\\TW\\";
    asked.clear();
    EXPECT_EQ(chooseInstallPath(drives, reader(), EmulatorType::type9, L"tw", typeKey, L"x\\").installFolder,
              L"E:\\TW\\");
    EXPECT_EQ(asked.size(), 1u) << "a found folder ends the search";
}

TEST_F(ChooseInstallPath, NoFixedDriveLeavesTheSubPathAlone)
{
    FakeDrives none;
    const InstallPathChoice choice =
        chooseInstallPath(none, reader(), EmulatorType::type9, L"en", L"K", L"Corvane\\Corvane9\\");
    EXPECT_EQ(choice.installFolder, L"Corvane\\Corvane9\\");
    EXPECT_FALSE(isValidInstallPath(none, choice.installFolder));
}

class Advice : public ::testing::Test {
protected:
    FakeDrives drives{{ntfs(L"C:\\", 20 * kGiB, true), ntfs(L"D:\\", 500 * kGiB), ntfs(L"E:\\", 10 * kGiB),
                       [] {
                           FakeDrive exfat = ntfs(L"F:\\", 900 * kGiB);
                           exfat.fileSystem = L"exFAT";
                           return exfat;
                       }()}};
    const std::wstring best = L"C:\\Corvane\\Corvane9\\";
    testsupport::LogCapture log;
};

TEST_F(Advice, OnTheBestDriveThereIsNothingToSay)
{
    const PathAdvice advice = adviseOnChosenFolder(drives, true, L"C:\\Games\\", L"old", best, true);
    EXPECT_EQ(advice.kind, PathAdviceKind::sameBestPath);
    EXPECT_TRUE(log.contains("CMainFrame::changePathClac", L"same best path"));
}

TEST_F(Advice, AHardDiskFolderWhileTheBestIsAnSsdNamesBothDrivesInOrder)
{
    const PathAdvice advice = adviseOnChosenFolder(drives, true, L"D:\\Games\\", L"old", best, true);
    EXPECT_EQ(advice.kind, PathAdviceKind::ssd);
    EXPECT_EQ(advice.chosenDrive, L"D");
    EXPECT_EQ(advice.recommendedDrive, L"C");
    EXPECT_EQ(advice.target, best);

    // "path_not" asks again without the SSD question: D: has room, so nothing more.
    EXPECT_EQ(adviseOnChosenFolder(drives, false, L"D:\\Games\\", L"old", best, true).kind, PathAdviceKind::none);
}

TEST_F(Advice, ADriveShortOfSpaceOrWithoutACountedFileSystemBringsTheSpaceBox)
{
    struct Case {
        const wchar_t* chosen;
        const wchar_t* bestFolder;
        const wchar_t* target;
    };
    const Case cases[] = {
        {L"E:\\Games\\", L"C:\\Corvane\\Corvane9\\", L"C:\\Corvane\\Corvane9\\"},
        {L"F:\\Games\\", L"C:\\Corvane\\Corvane9\\", L"C:\\Corvane\\Corvane9\\"},  // exFAT
        {L"E:\\Games\\", L"", L"D:\\Old\\"},  // no best folder: back to the old one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(common::toUtf8(c.chosen));
        log.clear();
        const PathAdvice advice = adviseOnChosenFolder(drives, false, c.chosen, L"D:\\Old\\", c.bestFolder, true);
        EXPECT_EQ(advice.kind, PathAdviceKind::space);
        EXPECT_EQ(advice.target, c.target);
        EXPECT_EQ(advice.recommendedDrive, std::wstring(1, c.target[0]));
        EXPECT_TRUE(log.contains("CMainFrame::changePathClac", L"left 17G"));
    }
}

TEST_F(Advice, FreeSpaceHelpers)
{
    EXPECT_DOUBLE_EQ(getFreeSpaceMB(drives, L"D:\\x"), 500.0 * 1024);
    EXPECT_DOUBLE_EQ(getFreeSpaceMB(drives, L"Q:\\x"), 0.0);
    EXPECT_DOUBLE_EQ(getUsableFreeSpaceMB(drives, L"F:\\x"), 0.0);
    EXPECT_DOUBLE_EQ(getUsableFreeSpaceMB(drives, L"E:\\x"), 10.0 * 1024);
}

}  // namespace
