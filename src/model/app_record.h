#pragma once
// One app to install after the emulator, from the command line or the openid's configuration.

#include <string>

struct AppRecord {
    std::wstring downloadUrl;
    std::wstring packageName;
    std::wstring gameName;
    std::wstring gameSltUrl;    // "game_slt_url"
    std::wstring resolution;
    std::wstring extra;         // left empty by every reader
    std::wstring gameId;
    std::wstring iconUrl;
    std::wstring obbUrl;
    bool fromAppStore = false;
    bool isXapk = false;
};
