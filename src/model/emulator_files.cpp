#include "model/emulator_files.h"

namespace emulator {

std::optional<std::wstring> installerParameters(const InstallerArguments& arguments)
{
    if (arguments.folder.find(L'"') != std::wstring::npos) {
        return std::nullopt;
    }
    std::wstring parameters = L"-silence -downloader -openid=" + arguments.openid;
    if (!arguments.language.empty()) {
        parameters += L" -language=" + arguments.language;
    }
    parameters += L" -path=\"" + arguments.folder + L"\"";
    if (!arguments.googleId.empty()) {
        parameters += L" -googleid=" + arguments.googleId;
    }
    return parameters;
}

std::wstring installerCommand(const std::wstring& packageFile, const std::wstring& parameters)
{
    return L"\"" + packageFile + L"\" " + parameters;
}

std::wstring startWithPackage(const std::wstring& package)
{
    return L"package=" + package;
}

std::wstring startAfterDownload(const std::wstring& package)
{
    return L"downloadpackage=" + package + L"|package=" + package;
}

std::wstring setResolutionCommand(const std::wstring& resolution)
{
    return L"modify --index 0 --resolution " + resolution;
}

std::wstring installApkCommand(const std::wstring& appFile, const std::wstring& package,
                               const std::wstring& obbFile)
{
    std::wstring command = L"installapk --index 0 --filename \"" + appFile + L"\"";
    if (!obbFile.empty()) {
        command += L" --packagename " + package + L" --fileobb \"" + obbFile + L"\"";
    }
    return command + L" --wait --hide";
}

std::wstring taskkillParameters(const std::wstring& processName)
{
    return L"/F /IM " + processName + L" /T";
}

}  // namespace emulator
