#pragma once
// The machine identifier that both event channels send as the client's identity, and where it is
// kept between runs. Windows only.

#include "telemetry/platform_ids.h"

#include <functional>
#include <string>

// Where the identifier is looked for and saved. The defaults are the product's; tests put in a
// scratch key, a scratch folder and fixed adapters so they never touch the user's real state.
struct MachineIdSources {
    // Under HKEY_CURRENT_USER, 64-bit view; holds the string value "pcmac".
    std::wstring registryKey = L"Software\\qven\\";
    // The folder holding "morvath_vantrel.data"; empty means the user's roaming app-data folder.
    std::wstring appDataDir;
    std::function<AdapterAddresses()> adapters = &systemAdapterAddresses;
};

// Texts are narrow ANSI. Blocking (registry and file), any thread; logs under
// "GoogleAnalytics::calcPCID".
//
// The first source that gives an identifier wins: "pcmac" when longer than 10 characters (then
// nothing is written), the identifier file when more than 30 bytes long, the adapters, a new
// GUID. An identifier that did not come from "pcmac" is saved there; a failed save is logged and
// the identifier is still returned. Empty only when every source failed.
[[nodiscard]] std::string findMachineId(const MachineIdSources& sources);
