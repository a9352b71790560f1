#pragma once
// What the servers tell about one installation: the version entry of a type and the launch
// settings of the openid's package configuration.

#include <cstdint>
#include <string>

struct VersionEntry {
    std::wstring version;
    std::wstring packageUrl;
    std::wstring sparePackageUrl;
};

struct LaunchSettings {
    std::wstring landscapePictureUrl;  // "launch_h"
    std::wstring portraitPictureUrl;   // "launch_V"
    std::wstring title;
    std::wstring appToRun;
    std::wstring communityLink;
    std::wstring shortcutName;
    std::wstring shortcutIconUrl;
    std::wstring heapSize;
    bool showAds = true;
    bool runAppStore = true;
    bool cleanMode = false;
    int32_t root = -1;  // -1: not given; 1 true; 0 false
};
