#include "model/install_path.h"

#include "common/log.h"
#include "utility/text.h"

#include <cmath>

namespace {

constexpr double kBytesPerMB = 1048576.0;
constexpr double kSsdBonus = 1000.0;
constexpr wchar_t kForbiddenAfterDrive[] = L"/:*?\"<>|";

std::wstring firstChars(const std::wstring& text, size_t count)
{
    return text.substr(0, std::min(count, text.size()));
}

bool isCountedFileSystem(const std::wstring& name)
{
    return name == L"FAT32" || name == L"NTFS";
}

// "X:\", "\", or the root of a share "\\server\share\".
bool isDriveRoot(const std::wstring& path)
{
    if (path == L"\\") {
        return true;
    }
    if (path.size() == 3 && path[1] == L':' && path[2] == L'\\') {
        return true;
    }
    if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
        const std::vector<std::wstring> parts = utility::split(path.substr(2), L"\\");
        // "server", "share" and the empty piece after the trailing separator.
        return parts.size() == 3 && !parts[0].empty() && !parts[1].empty() && parts[2].empty();
    }
    return false;
}

bool containsAfterFirstCharacter(const std::wstring& text, const wchar_t* part)
{
    const size_t at = text.find(part);
    return at != std::wstring::npos && at > 0;
}

void collapseBackslashes(std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\\' && !out.empty() && out.back() == L'\\') {
            continue;
        }
        out.push_back(c);
    }
    text.swap(out);
}

}  // namespace

std::vector<std::wstring> listFixedDrives(IDriveQueries& drives)
{
    std::vector<std::wstring> fixed;
    for (const std::wstring& root : drives.logicalDrives()) {
        if (drives.driveKind(root) != DriveKind::fixed) {
            continue;
        }
        // Only a drive known to be removable or hot-pluggable is left out. A storage stack that
        // does not answer the query (some virtual and RAID disks) says nothing about that, and
        // leaving such a system drive out would propose a folder without a drive.
        if (drives.hotplug(firstChars(root, 2)) == HotplugAnswer::removableOrHotplug) {
            continue;
        }
        fixed.push_back(root);
    }
    return fixed;
}

bool driveHasSsd(IDriveQueries& drives, const std::wstring& drive)
{
    return drives.trimEnabled(drive);
}

double driveScore(IDriveQueries& drives, const std::wstring& root, bool& hasSsd)
{
    hasSsd = false;
    const std::optional<uint64_t> free = drives.freeBytes(firstChars(root, 3));
    if (!free) {
        return 0;
    }
    const std::optional<std::wstring> fileSystem = drives.fileSystem(root);
    if (fileSystem && !isCountedFileSystem(*fileSystem)) {
        return 0;
    }
    double score = static_cast<double>(*free) / kBytesPerMB;
    hasSsd = driveHasSsd(drives, firstChars(root, 2));
    if (hasSsd && std::trunc(score) > kRoomyDriveMB) {
        score *= kSsdBonus;
    }
    return score;
}

std::wstring pickBestDrive(IDriveQueries& drives, bool& hasSsd)
{
    double best = -1;
    std::wstring bestRoot;
    hasSsd = false;
    for (const std::wstring& root : listFixedDrives(drives)) {
        bool ssd = false;
        const double score = driveScore(drives, root, ssd);
        if (score > best) {
            best = score;
            bestRoot = root;
            hasSsd = ssd;
        }
    }
    return bestRoot;
}

double getFreeSpaceMB(IDriveQueries& drives, const std::wstring& folder)
{
    const std::optional<uint64_t> free = drives.freeBytes(firstChars(folder, 3));
    return free ? static_cast<double>(*free) / kBytesPerMB : 0;
}

double getUsableFreeSpaceMB(IDriveQueries& drives, const std::wstring& folder)
{
    const std::optional<std::wstring> fileSystem = drives.fileSystem(firstChars(folder, 3));
    if (!fileSystem || !isCountedFileSystem(*fileSystem)) {
        return 0;
    }
    return getFreeSpaceMB(drives, folder);
}

bool isValidInstallPath(IDriveQueries& drives, const std::wstring& folder)
{
    std::wstring path = folder;
    utility::toLower(path);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    collapseBackslashes(path);
    while (!path.empty() && path.front() == L'\\') {
        path.erase(0, 1);
    }
    while (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    utility::trim(path);
    // The folder is put between double quotes on command lines, so a quote anywhere, the drive
    // part included, would end it early.
    if (path.size() < 3 || path.find(L'"') != std::wstring::npos) {
        return false;
    }
    const std::optional<uint64_t> free = drives.freeBytes(path.substr(0, 3));
    if (!free || *free == 0) {
        return false;
    }
    std::wstring rest = path.substr(3);
    utility::trim(rest);
    if (rest.find_first_of(kForbiddenAfterDrive) != std::wstring::npos) {
        return false;
    }
    const std::vector<std::wstring> parts = utility::split(rest, L"\\");
    // split() trims each part; every part but the last is followed by a separator.
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i].empty()) {
            return false;
        }
    }
    return true;
}

void normalizeInstallPath(std::wstring& folder)
{
    for (wchar_t& c : folder) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    std::wstring single;
    single.reserve(folder.size());
    for (size_t i = 0; i < folder.size(); ++i) {
        single.push_back(folder[i]);
        if (folder[i] == L'\\' && i + 1 < folder.size() && folder[i + 1] == L'\\') {
            ++i;  // one pass: "\\\" becomes "\\", not "\"
        }
    }
    utility::trim(single);
    if (!single.empty() && single.back() != L'\\') {
        single.push_back(L'\\');
    }
    folder.swap(single);
}

AppliedInstallPath completeInstallPath(IDriveQueries& drives, const std::wstring& chosen,
                                       const std::wstring& subPath, const std::wstring& folderName)
{
    std::wstring path = chosen;
    if (path.empty() || path.back() != L'\\') {
        path.push_back(L'\\');
    }
    std::wstring lower = path;
    utility::toLower(lower);
    const size_t vantrel = lower.find(L"vantrel");
    if (isDriveRoot(path)) {
        path += subPath;
    } else if (vantrel != std::wstring::npos && vantrel + 8 == path.size()) {
        path += folderName;
    } else if (!containsAfterFirstCharacter(path, L"Corvane") &&
               !containsAfterFirstCharacter(path, L"redovedu")) {
        path += subPath;
    }
    AppliedInstallPath applied;
    applied.valid = isValidInstallPath(drives, path);
    if (applied.valid) {
        normalizeInstallPath(path);
    }
    applied.folder = path;
    return applied;
}

InstallPathChoice chooseInstallPath(IDriveQueries& drives, const InstallDirReader& readInstallDir,
                                    EmulatorType type, const std::wstring& language,
                                    const std::wstring& typeRegistryKey, const std::wstring& subPath)
{
    InstallPathChoice choice;
    if (type == EmulatorType::type9 || type == EmulatorType::type3) {
        if (language == L"tw") {
            choice.installFolder = readInstallDir(L"Software\\Morvath\\redovedu-tw");
        } else if (language == L"kr") {
            choice.installFolder = readInstallDir(L"Software\\Morvath\\redovedu-kr");
        }
    }
    if (choice.installFolder.empty()) {
        choice.installFolder = readInstallDir(typeRegistryKey);
    }
    common::writeLog("DownloaderModel::_calcInstallPath", __LINE__, L"read from reg: path is %s",
                     choice.installFolder.c_str());
    if (choice.installFolder.empty()) {
        const std::wstring root = pickBestDrive(drives, choice.bestHasSsd);
        choice.installFolder = root + subPath;
        choice.bestFolder = choice.installFolder;
        common::writeLog("DownloaderModel::_calcInstallPath", __LINE__,
                         L"get install path from MaxFreeSpace: %s", choice.installFolder.c_str());
    }
    return choice;
}

PathAdvice adviseOnChosenFolder(IDriveQueries& drives, bool checkSsd, const std::wstring& chosen,
                                const std::wstring& oldFolder, const std::wstring& bestFolder,
                                bool bestHasSsd)
{
    PathAdvice advice;
    if (bestFolder.size() >= 3 && firstChars(bestFolder, 2) == firstChars(chosen, 2)) {
        common::writeLog("CMainFrame::changePathClac", __LINE__, L"same best path");
        advice.kind = PathAdviceKind::sameBestPath;
        return advice;
    }
    if (checkSsd && bestHasSsd && !bestFolder.empty() && !driveHasSsd(drives, firstChars(chosen, 2))) {
        advice.kind = PathAdviceKind::ssd;
        advice.chosenDrive = firstChars(chosen, 1);
        advice.recommendedDrive = firstChars(bestFolder, 1);
        advice.target = bestFolder;
        return advice;
    }
    if (getUsableFreeSpaceMB(drives, chosen) < kRoomyDriveMB) {
        common::writeLog("CMainFrame::changePathClac", __LINE__, L"left 17G");
        advice.kind = PathAdviceKind::space;
        advice.target = bestFolder.empty() ? oldFolder : bestFolder;
        advice.recommendedDrive = firstChars(advice.target, 1);
    }
    return advice;
}
