#pragma once
// What a copy of the installer is told by its own file name and its command line.
//
// File name: pieces joined by "_": type, language, then either openid or package and openid, then
// optional google id pieces; the last piece is always ignored (it may hold a browser's duplicate
// suffix such as "x (1)"). Command line: "|"-separated key=value pairs naming an app to install.

#include "model/app_record.h"

#include <optional>
#include <string>

struct FileNameParameters {
    bool recognised = false;     // at least four pieces
    std::wstring typeWord;       // as written
    std::wstring language;
    std::wstring openid;
    std::wstring package;
    std::wstring googleId;
};

// `name` is the file name without folder and extension.
[[nodiscard]] FileNameParameters parseLaunchFileName(const std::wstring& name);

enum class EmulatorType { type4, type64, type9, type3 };

// What the file name decides, with the defaults applied.
struct LaunchDecision {
    std::optional<EmulatorType> type;             // unset: keep the default (9)
    std::optional<std::wstring> configLanguage;   // the product language, when the name sets it
    std::optional<std::wstring> shortCode;        // the interface language, when the name sets it
    std::wstring openid;                          // "100" unless the name gives one
    std::wstring packageName;                     // only packages longer than 5 characters
    std::wstring googleId;
};

[[nodiscard]] LaunchDecision decideLaunch(const FileNameParameters& parameters);

// The ad id for an openid: "Corvane Installer_200" for openids 2001 to 2999 (read as leading
// decimal digits), otherwise `defaultAdId`.
[[nodiscard]] std::wstring adIdForOpenId(const std::wstring& openid, const std::wstring& defaultAdId);

struct CommandLineApp {
    std::wstring name;
    std::wstring package;
    std::wstring apkUrl;
};

// The "name", "package" and "apkurl" pairs of the command line; nothing when it holds no pair.
[[nodiscard]] std::optional<CommandLineApp> parseLaunchCommandLine(const std::wstring& commandLine);
