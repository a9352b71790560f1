#pragma once
// Choosing, completing and judging the install folder. Window-free and portable: the drives come
// through IDriveQueries and earlier installations through a registry reader, so every decision is
// tested with fakes and fuzzed natively.

#include "model/drive_queries.h"
#include "model/launch_parameters.h"

#include <functional>
#include <string>
#include <vector>

// Free space above which an SSD's score is multiplied by 1000, and below which a chosen drive is
// short of space: 17 GiB in MiB.
inline constexpr double kRoomyDriveMB = 17408;

[[nodiscard]] std::vector<std::wstring> listFixedDrives(IDriveQueries& drives);
[[nodiscard]] bool driveHasSsd(IDriveQueries& drives, const std::wstring& drive);
// Free MiB; 0 for file systems other than FAT32 and NTFS; ×1000 for a roomy SSD.
[[nodiscard]] double driveScore(IDriveQueries& drives, const std::wstring& root, bool& hasSsd);
// The best-scoring fixed drive's root (ties keep the earlier drive), or empty.
[[nodiscard]] std::wstring pickBestDrive(IDriveQueries& drives, bool& hasSsd);

[[nodiscard]] double getFreeSpaceMB(IDriveQueries& drives, const std::wstring& folder);
[[nodiscard]] double getUsableFreeSpaceMB(IDriveQueries& drives, const std::wstring& folder);

// A folder the installer may use: a drive with free space, then no forbidden character and no
// empty folder name. A double quote is forbidden: the folder is quoted on command lines.
[[nodiscard]] bool isValidInstallPath(IDriveQueries& drives, const std::wstring& folder);
// "/" to "\", doubled "\" to one, spaces trimmed, a trailing "\" ensured (unless empty).
void normalizeInstallPath(std::wstring& folder);

// A chosen folder completed as the installer proposes it: a drive root gets the install
// sub-path, a "...vantrel\" folder the type's folder name, a folder not yet naming the product
// the sub-path; valid results are normalised, invalid ones kept as they are (and marked).
struct AppliedInstallPath {
    std::wstring folder;
    bool valid = false;
};
[[nodiscard]] AppliedInstallPath completeInstallPath(IDriveQueries& drives, const std::wstring& chosen,
                                                     const std::wstring& subPath,
                                                     const std::wstring& folderName);

// The folder proposed at start: an earlier installation's, else the best drive + sub-path.
struct InstallPathChoice {
    std::wstring installFolder;
    std::wstring bestFolder;  // empty when the folder came from the registry
    bool bestHasSsd = false;
};
using InstallDirReader = std::function<std::wstring(const std::wstring& registryKey)>;
[[nodiscard]] InstallPathChoice chooseInstallPath(IDriveQueries& drives, const InstallDirReader& readInstallDir,
                                                  EmulatorType type, const std::wstring& language,
                                                  const std::wstring& typeRegistryKey,
                                                  const std::wstring& subPath);

// What to advise after the user chose `chosen` (already applied); the window shows the box.
enum class PathAdviceKind {
    none,
    sameBestPath,  // on the best drive: nothing to say
    ssd,           // "path_ssd" with the chosen and the recommended drive letters
    space,         // "path_more" with the target's drive letter
};
struct PathAdvice {
    PathAdviceKind kind = PathAdviceKind::none;
    std::wstring chosenDrive;       // ssd: first letter of the chosen folder
    std::wstring recommendedDrive;  // ssd and space: first letter of the folder to move to
    std::wstring target;            // ssd and space: the folder "path_ok" applies
};
[[nodiscard]] PathAdvice adviseOnChosenFolder(IDriveQueries& drives, bool checkSsd, const std::wstring& chosen,
                                              const std::wstring& oldFolder, const std::wstring& bestFolder,
                                              bool bestHasSsd);
