#pragma once
// The emulator's "vms\config\vantrels.config" as the stand-in installer leaves it.
#include <string>

namespace standin {

struct ConfigValues {
    std::wstring openid;  // the first "channelOpenId"
    int type = 9;         // emulator type 4, 64, 9 or 3
    std::wstring language;
    std::wstring googleid;
};

// Which document to leave, so a test can also hand the installer the files it must not touch.
enum class ConfigShape {
    standard,          // an object with a string "channelOpenId" among other members
    noChannelOpenId,   // the same without "channelOpenId"
    channelNotString,  // "channelOpenId" is a number
    notObject,         // valid JSON whose root is an array
    invalidJson,       // cut off in the middle
    absent,            // no file (and no "vms\config" folder)
};

// Parses a control value ("standard", "noChannelOpenId", ...); false for an unknown name.
bool configShapeFromName(const std::wstring& name, ConfigShape& shape);

// The file's bytes: UTF-8, tab-indented, CRLF line ends and members in a fixed order, so that a
// rewrite with another indentation is visible while the members' values can be compared.
std::string vantrelsConfigText(ConfigShape shape, const ConfigValues& values);

}  // namespace standin
