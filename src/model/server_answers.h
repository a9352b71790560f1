#pragma once
// Readers of the four JSON answers of the maker's servers: the version answer, an openid's
// package configuration, the machine's channel and the customer-service texts. Portable and
// fuzzed: these bytes come from the network into a program with administrator rights. Readers
// never throw; a document that is not of the expected shape yields the defaults.

#include "model/app_record.h"
#include "model/launch_parameters.h"
#include "model/launch_settings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Converts the narrow texts a member holds; UTF-8 everywhere except two app members, which the
// servers write in the machine's ANSI code page.
struct TextDecoders {
    std::function<std::wstring(std::string_view)> utf8;
    std::function<std::wstring(std::string_view)> ansi;
};

struct VersionAnswerEntry {
    std::optional<std::wstring> version;     // "ver"
    std::optional<std::wstring> packageUrl;  // "url"
    std::optional<std::wstring> spareUrl;    // "url_spare"
    std::optional<std::string> digest;       // "md5", unchanged
};

struct VersionAnswer {
    bool isObject = false;
    std::optional<VersionAnswerEntry> type4;   // "zaz4"
    std::optional<VersionAnswerEntry> type64;  // "zaz64"
    std::optional<VersionAnswerEntry> type9;   // "zaz9"
    std::optional<VersionAnswerEntry> type3;   // "zaz"
};

[[nodiscard]] VersionAnswer readVersionAnswer(std::string_view json, const TextDecoders& decoders);

// What the model keeps of a version answer for the configured type.
struct ChosenVersion {
    VersionEntry current;
    VersionEntry type4;      // kept for a later switch to type 4
    std::string digest;
};
// Applies an answer on top of `known` (the model's values before): entries that are missing keep
// what was there, as the model's fields do; an empty spare address becomes the package address.
[[nodiscard]] ChosenVersion chooseVersion(const VersionAnswer& answer, EmulatorType type, ChosenVersion known);

// Whether a text is a JSON object at all (the curl fallback's first check).
[[nodiscard]] bool isJsonObject(std::string_view json);

struct PackageConfiguration {
    std::vector<AppRecord> apps;  // only records with a download URL, game id or package name
};
[[nodiscard]] PackageConfiguration readPackageApps(std::string_view json, const TextDecoders& decoders);
// Members of another type than expected leave the setting as it was.
void readLaunchSettings(std::string_view json, const TextDecoders& decoders, LaunchSettings& settings);

enum class ChannelStatus { notJson, codeNotRight, ok };
struct ChannelAnswer {
    ChannelStatus status = ChannelStatus::notJson;
    std::wstring channelId;  // decimal text of a positive "data"; empty otherwise
};
[[nodiscard]] ChannelAnswer readChannelAnswer(std::string_view json);

struct CustomerTexts {
    bool isObject = false;
    std::optional<std::wstring> installError;
    std::optional<std::wstring> customerLink;
};
// `profileCode` selects the member; "en" when it is empty.
[[nodiscard]] CustomerTexts readCustomerTexts(std::string_view json, const std::wstring& profileCode,
                                              const TextDecoders& decoders);
