#pragma once
// Product configuration keyed by emulator type and product language ("cn" selects the Chinese
// edition's variants). Process-wide, created on first access and never destroyed. Any thread:
// the window thread may switch type or language while a worker builds an address.

#include "model/launch_parameters.h"

#include <mutex>
#include <string>

struct AnalyticsProperty {
    std::wstring measurementId;
    std::wstring apiSecret;
};

class ConfigImp {
public:
    [[nodiscard]] static ConfigImp* instance();

    void setPlayer4();
    void setPlayer64();
    void setPlayer9();
    void setPlayer3();
    void setType(EmulatorType type);
    [[nodiscard]] EmulatorType type() const;

    void setLanguage(const std::wstring& code);
    [[nodiscard]] std::wstring language() const;
    [[nodiscard]] bool isChineseEdition() const;

    void setAdId(const std::wstring& adId);
    [[nodiscard]] std::wstring adId() const;

    // Appended to a drive root or a chosen folder, such as "Corvane\Corvane9\".
    [[nodiscard]] std::wstring installSubPath() const;
    // Appended after a chosen "...vantrel\" folder, such as "Corvane9\".
    [[nodiscard]] std::wstring folderNameAfterVantrel() const;
    // Under HKEY_CURRENT_USER; holds "InstallDir" of an earlier installation.
    [[nodiscard]] std::wstring registryKey() const;
    // Last path segment of the package addresses, such as "Corvane9.0.exe".
    [[nodiscard]] std::wstring packageFileName() const;
    // Where the package is stored: install folder + "\Corvane.exe" ("\qvinst.exe" for "cn").
    [[nodiscard]] std::wstring packageFileOnDisk(const std::wstring& installFolder) const;

    [[nodiscard]] std::wstring languageFile() const;
    [[nodiscard]] std::wstring webSite() const;
    [[nodiscard]] std::wstring manualDownloadLink() const;
    [[nodiscard]] AnalyticsProperty analyticsProperty() const;

    [[nodiscard]] std::wstring versionUrl(bool spareHost) const;
    [[nodiscard]] std::wstring customerTextsUrl() const;
    [[nodiscard]] std::wstring channelUrl(const std::wstring& machineId) const;
    [[nodiscard]] std::wstring openidConfigUrl(const std::wstring& openid) const;
    [[nodiscard]] std::wstring defaultPackageUrl() const;
    [[nodiscard]] std::wstring defaultSparePackageUrl() const;

    // For tests: back to the defaults (type 9, "en", "Downloader").
    void reset();

private:
    ConfigImp() = default;

    mutable std::mutex m_lock;
    std::wstring m_language = L"en";
    std::wstring m_adId = L"Downloader";
    EmulatorType m_type = EmulatorType::type9;
};
