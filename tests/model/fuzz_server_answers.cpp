// Every answer of the maker's servers reaches these readers.
#include "common/utf8.h"
#include "model/emulator_config.h"
#include "model/server_answers.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    const TextDecoders decoders{[](std::string_view text) { return common::fromUtf8(text); },
                                [](std::string_view text) { return common::fromUtf8(text); }};
    const VersionAnswer answer = readVersionAnswer(json, decoders);
    for (EmulatorType type : {EmulatorType::type4, EmulatorType::type9}) {
        const ChosenVersion chosen = chooseVersion(answer, type, {});
        if (!chosen.current.packageUrl.empty() && chosen.current.sparePackageUrl.empty()) {
            __builtin_trap();
        }
    }
    (void)readPackageApps(json, decoders);
    LaunchSettings settings;
    readLaunchSettings(json, decoders, settings);
    (void)readChannelAnswer(json);
    (void)readCustomerTexts(json, L"kr", decoders);
    (void)common::toUtf8(common::fromUtf8(json));
    (void)rewriteChannelId(std::string(json), "30412");
    return 0;
}
