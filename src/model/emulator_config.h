#pragma once
// The installed emulator's own files as the installer changes them: the channel id in its JSON
// configuration and the launch settings in its ini file. Portable, so the rewrite is tested and
// fuzzed without Windows.

#include "model/launch_settings.h"

#include <string>
#include <utility>
#include <vector>

enum class ChannelWrite { notObject, noChannelMember, written };

struct ChannelWriteResult {
    ChannelWrite status = ChannelWrite::notObject;
    std::string oldValue;  // the replaced "channelOpenId" (UTF-8)
    std::string document;  // the rewritten document, pretty-printed with four spaces
};

// Replaces the string member "channelOpenId" of the configuration `json` by `channelId` (UTF-8);
// every other member stays as it was. Nothing is written unless the member exists as a string.
[[nodiscard]] ChannelWriteResult rewriteChannelId(const std::string& json, const std::string& channelId);

// One key of the "setting" section of "data.ini", in the order it is written.
struct IniEntry {
    std::wstring key;
    std::wstring value;
    bool throughAnsiProfile = false;  // written as UTF-8 bytes through the narrow profile call
};

struct LaunchIniPlan {
    std::vector<IniEntry> beforeRunValue;  // "adshow", "cleanmodel"
    bool deleteRunValue = false;           // the emulator must not start with Windows
    std::vector<IniEntry> afterRunValue;   // "useroot", "runappstore", "title", "heapsize", "qqlink", "runapp"
};
[[nodiscard]] LaunchIniPlan planLaunchIni(const LaunchSettings& settings);
