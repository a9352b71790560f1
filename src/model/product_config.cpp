#include "model/product_config.h"

#include "common/log.h"
#include "model/endpoints.h"
#include "ui/language_tables.h"

#include <array>

namespace {

struct TypeRow {
    EmulatorType type;
    const wchar_t* subPath;
    const wchar_t* subPathCn;
    const wchar_t* folderName;
    const wchar_t* folderNameCn;
    const wchar_t* registryKey;
    const wchar_t* registryKeyCn;
    const wchar_t* packageFile;
};

constexpr std::array<TypeRow, 4> kTypes = {{
    {EmulatorType::type4, L"Corvane\\Corvane4.0\\", L"VanTrel\\Corvane4.0\\", L"4.0\\", L"Corvane4.0\\",
     L"Software\\Belquor\\Corvane", L"Software\\vantrel\\Corvane", L"Corvane4.0.exe"},
    {EmulatorType::type64, L"Corvane\\Corvane64\\", L"VanTrel\\Corvane64\\", L"Corvane64\\", L"Corvane64\\",
     L"Software\\Belquor\\Corvane64", L"Software\\vantrel\\Corvane64", L"Corvane64.exe"},
    {EmulatorType::type9, L"Corvane\\Corvane9\\", L"VanTrel\\Corvane9\\", L"Corvane9\\", L"Corvane9\\",
     L"Software\\Belquor\\Corvane9", L"Software\\vantrel\\Corvane9", L"Corvane9.0.exe"},
    {EmulatorType::type3, L"Corvane\\Corvane3.0\\", L"VanTrel\\Corvane3.0\\", L"Corvane3.0\\",
     L"Corvane3.0\\", L"Software\\Morvath\\Corvane", L"Software\\Morvath2\\redovedu", L"Corvane3.0.exe"},
}};

const TypeRow& rowFor(EmulatorType type)
{
    for (const TypeRow& row : kTypes) {
        if (row.type == type) {
            return row;
        }
    }
    return kTypes[2];
}

// Web sites: the main site's sub-domain for these codes; "cn" and "tw" have sites of their own.
constexpr std::array<const wchar_t*, 12> kSubDomainSites = {
    L"kr", L"vn", L"th", L"ru", L"pt", L"id", L"es", L"fr", L"jp", L"ar", L"fa", L"de"};

struct AnalyticsRow {
    const wchar_t* language;
    const wchar_t* measurementId;
    const wchar_t* apiSecret;
};

// One property per market; "cn" and "tw" share one, unlisted languages use the default.
constexpr std::array<AnalyticsRow, 14> kAnalytics = {{
    {L"cn", L"G-7QX2M4KD9P", L"Vq3nT8bLx2Rk5Wz0Yc4HsA"},
    {L"tw", L"G-7QX2M4KD9P", L"Vq3nT8bLx2Rk5Wz0Yc4HsA"},
    {L"kr", L"G-K3R8ZT5N2W", L"m9Pq2Ls7Dk4Xv1Bn6Hf3Tg"},
    {L"vn", L"G-V6N1H8QJ4C", L"Ra5Yw2Qe8Tu4Io7Pl1Kj3M"},
    {L"th", L"G-T9H4W2LX7B", L"Zx6Cv3Bn9Ml2Kj5Hg8Fd1S"},
    {L"ru", L"G-R2U7D5YM3K", L"Qw4Er7Ty1Ui9Op3As6Df2G"},
    {L"pt", L"G-P8T3B6XF1N", L"Hj2Kl5Zx8Cv1Bn4Mq7Wq3E"},
    {L"jp", L"G-J5P9K2RV6D", L"Ty8Ui1Op4As7Df2Gh5Jk9L"},
    {L"id", L"G-D4I7N1SW8Q", L"Pl3Ok6Ij9Uh2Yg5Tf8Rd1E"},
    {L"fr", L"G-F1R6Q9CZ4H", L"Ws2Ed5Rf8Tg1Yh4Uj7Ik0L"},
    {L"es", L"G-E3S8L5PA2M", L"Qa9Zw3Sx6Ed1Cr4Fv7Tg2B"},
    {L"de", L"G-G7D2E4NB9T", L"Yh6Nu2Jm8Ik4Ol1Pa5Sd9F"},
    {L"ar", L"G-A9R3B7HU5L", L"Gh4Jk7Lz1Xc5Vb8Nm2Qw6E"},
    {L"fa", L"G-F6A1R8IS3Y", L"Rt5Yu8Io2Pa6Sd9Fg3Hj7K"},
}};
constexpr AnalyticsRow kDefaultAnalytics = {L"", L"G-C0R4V8N2E6", L"Cv7Bn3Mq9Wx2Ez5Rt8Yu1I"};

constexpr wchar_t kMainSite[] = L"https://www.corvane.com";
constexpr wchar_t kChineseSite[] = L"https://www.corvane.cn";
constexpr wchar_t kTaiwanSite[] = L"https://www.corvane.tw";
constexpr wchar_t kManualDownload[] =
    L"https://drive.google.com/uc?export=download&id=1Corvane9FullInstallerXq7LmK2wPz";

}  // namespace

ConfigImp* ConfigImp::instance()
{
    static auto* config = new ConfigImp();  // never destroyed: workers may read it until exit
    return config;
}

void ConfigImp::setPlayer4()
{
    common::writeLog("ConfigImp::setPlayer4", __LINE__, L"player is 4");
    setType(EmulatorType::type4);
}

void ConfigImp::setPlayer64()
{
    common::writeLog("ConfigImp::setPlayer64", __LINE__, L"player is 64");
    setType(EmulatorType::type64);
}

void ConfigImp::setPlayer9() { setType(EmulatorType::type9); }
void ConfigImp::setPlayer3() { setType(EmulatorType::type3); }

void ConfigImp::setType(EmulatorType type)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_type = type;
}

EmulatorType ConfigImp::type() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_type;
}

void ConfigImp::setLanguage(const std::wstring& code)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_language = code;
}

std::wstring ConfigImp::language() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_language;
}

bool ConfigImp::isChineseEdition() const
{
    return language() == L"cn";
}

void ConfigImp::setAdId(const std::wstring& adId)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_adId = adId;
}

std::wstring ConfigImp::adId() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_adId;
}

std::wstring ConfigImp::installSubPath() const
{
    const TypeRow& row = rowFor(type());
    return isChineseEdition() ? row.subPathCn : row.subPath;
}

std::wstring ConfigImp::folderNameAfterVantrel() const
{
    const TypeRow& row = rowFor(type());
    return isChineseEdition() ? row.folderNameCn : row.folderName;
}

std::wstring ConfigImp::registryKey() const
{
    const TypeRow& row = rowFor(type());
    return isChineseEdition() ? row.registryKeyCn : row.registryKey;
}

std::wstring ConfigImp::packageFileName() const
{
    return rowFor(type()).packageFile;
}

std::wstring ConfigImp::packageFileOnDisk(const std::wstring& installFolder) const
{
    return installFolder + (isChineseEdition() ? L"\\qvinst.exe" : L"\\Corvane.exe");
}

std::wstring ConfigImp::languageFile() const
{
    return languageBundlePath(language());
}

std::wstring ConfigImp::webSite() const
{
    const std::wstring code = language();
    if (code == L"cn") {
        return kChineseSite;
    }
    if (code == L"tw") {
        return kTaiwanSite;
    }
    for (const wchar_t* sub : kSubDomainSites) {
        if (code == sub) {
            return L"https://" + code + L".corvane.com";
        }
    }
    return kMainSite;
}

std::wstring ConfigImp::manualDownloadLink() const
{
    return isChineseEdition() ? std::wstring(kChineseSite) : std::wstring(kManualDownload);
}

AnalyticsProperty ConfigImp::analyticsProperty() const
{
    const std::wstring code = language();
    for (const AnalyticsRow& row : kAnalytics) {
        if (code == row.language) {
            return {row.measurementId, row.apiSecret};
        }
    }
    return {kDefaultAnalytics.measurementId, kDefaultAnalytics.apiSecret};
}

std::wstring ConfigImp::versionUrl(bool spareHost) const
{
    return hostBase(spareHost ? HostRole::resource : HostRole::cdn, language()) + L"/player_files/en/vantrel";
}

std::wstring ConfigImp::customerTextsUrl() const
{
    return hostBase(HostRole::cdn, language()) + L"/player_files/en/vantrelex";
}

std::wstring ConfigImp::channelUrl(const std::wstring& machineId) const
{
    return hostBase(HostRole::api, language()) + L"/check/machine/channel?m=" + machineId;
}

std::wstring ConfigImp::openidConfigUrl(const std::wstring& openid) const
{
    const HostRole role = isChineseEdition() ? HostRole::chineseResource : HostRole::cdn;
    return hostBase(role, language()) + L"/player_files/openidconfig/" + openid + L".data";
}

std::wstring ConfigImp::defaultPackageUrl() const
{
    return hostBase(HostRole::cdn, language()) + L"/download/package/" + packageFileName();
}

std::wstring ConfigImp::defaultSparePackageUrl() const
{
    return hostBase(HostRole::resource, language()) + L"/download/package/" + packageFileName();
}

void ConfigImp::reset()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_language = L"en";
    m_adId = L"Downloader";
    m_type = EmulatorType::type9;
}
