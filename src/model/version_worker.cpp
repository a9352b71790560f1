// Version and channel information: four documents fetched one after the other on the model's
// version worker, each by WinINet first and libcurl second.
#include "model/downloader_model.h"

#include "common/log.h"
#include "model/server_answers.h"
#include "net/qv_curl_downloader.h"
#include "utility/text_convert.h"

namespace {

TextDecoders systemDecoders()
{
    return {[](std::string_view text) { return utility::utf8ToWide(text); },
            [](std::string_view text) { return utility::ansiToWide(text); }};
}

// WinINet first; libcurl when that fails. `logOnFallback` is the line the fallback writes.
bool fetchDocument(utility::CHttpDownloader& downloader, const std::wstring& url, const char* function, int line,
                   const wchar_t* logOnFallback, std::string& response)
{
    if (downloader.download2mem(response, url)) {
        return true;
    }
    common::writeLog(function, line, logOnFallback);
    response.clear();
    QVCurlDownloader curl;
    return curl.downloadMemory(url, response);
}

constexpr char kVersionAnswerReader[] =
    "DownloaderModel::_threadGetPlayerUrl::<lambda_f8e0fa6a128c34f04f2854236c5f3e39>::operator ()";

}  // namespace

void DownloaderModel::_threadGetPlayerUrl()
{
    const ConfigImp* config = ConfigImp::instance();
    common::writeLog("DownloaderModel::_threadGetPlayerUrl", __LINE__, L"start get player url");
    const std::wstring cdnUrl = config->versionUrl(false);
    const std::wstring resourceUrl = config->versionUrl(true);
    common::writeLog("DownloaderModel::_threadGetPlayerUrl", __LINE__, L"url:%s", cdnUrl.c_str());

    std::string response;
    bool ok = m_versionDownloader.download2mem(response, cdnUrl);
    if (!ok) {
        common::writeLog("DownloaderModel::_threadGetPlayerUrl", __LINE__, L"download error! try: %s",
                         resourceUrl.c_str());
        response.clear();
        m_versionDownloader.cancel();
        ok = m_versionDownloader.download2mem(response, resourceUrl);
        common::writeLog("DownloaderModel::_threadGetPlayerUrl", __LINE__, L"try is sucess? %d", ok ? 1 : 0);
    }
    if (!ok && !m_versionWorker.isStopRequested()) {
        common::writeLog("DownloaderModel::_threadGetPlayerUrl", __LINE__, L"use curl");
        QVCurlDownloader curl;
        ok = curl.downloadMemory(cdnUrl, response) && isJsonObject(response);
    }
    if (!ok && !m_versionWorker.isStopRequested()) {
        common::writeLog("DownloaderModel::_threadGetPlayerUrl", __LINE__, L"use curl 2");
        QVCurlDownloader curl;
        response.clear();
        ok = curl.downloadMemory(resourceUrl, response);
    }
    if (!ok) {
        common::writeLog("DownloaderModel::_threadGetPlayerUrl", __LINE__, L"get play uer is error!");
        reportEvent("download_address_fail");
        m_versionReceived.store(true);
        return;
    }
    m_token.postTask([this, text = std::move(response)] { readVersionAnswer(text); });

    if (m_versionWorker.isStopRequested()) {
        return;
    }
    if (appList().empty()) {
        _getPackageByOpenID();
    }
    if (!m_versionWorker.isStopRequested()) {
        _threadReqOpenid();
    }
    if (!m_versionWorker.isStopRequested()) {
        _threadCustomerInfo();
    }
}

void DownloaderModel::readVersionAnswer(const std::string& text)
{
    common::writeLog(kVersionAnswerReader, __LINE__, L"start parse data");
    const VersionAnswer answer = ::readVersionAnswer(text, systemDecoders());
    if (!answer.isObject) {
        common::writeLog(kVersionAnswerReader, __LINE__, L"error parse");
        reportEvent("download_address_fail");
        m_versionReceived.store(true);
        return;
    }
    ChosenVersion known;
    known.current = {m_version, m_packageUrl, m_sparePackageUrl};
    known.type4 = m_type4Version;
    known.digest = m_packageDigest;
    const ChosenVersion chosen = chooseVersion(answer, ConfigImp::instance()->type(), known);
    m_type4Version = chosen.type4;
    m_version = chosen.current.version;
    m_packageUrl = chosen.current.packageUrl;
    m_sparePackageUrl = chosen.current.sparePackageUrl;
    m_packageDigest = chosen.digest;
    m_versionReceived.store(true);
    common::writeLog(kVersionAnswerReader, __LINE__, L"version:%s url:%s spare url:%s", m_version.c_str(),
                     m_packageUrl.c_str(), m_sparePackageUrl.c_str());
}

void DownloaderModel::_getPackageByOpenID()
{
    // Short openids (the default "100" among them) have no configuration of their own.
    if (m_openid.size() >= 5) {
        common::writeLog("DownloaderModel::_getPackageByOpenID", __LINE__, L"start get package.");
        const std::wstring url = ConfigImp::instance()->openidConfigUrl(m_openid);
        utility::CHttpDownloader downloader;
        std::string response;
        const bool ok = fetchDocument(downloader, url, "DownloaderModel::_getPackageByOpenID", __LINE__,
                                      L"get package data by qvcurl ", response);
        if (ok) {
            const TextDecoders decoders = systemDecoders();
            PackageConfiguration configuration = readPackageApps(response, decoders);
            std::lock_guard<std::mutex> guard(m_serverDataLock);
            for (AppRecord& app : configuration.apps) {
                m_appList.push_back(std::move(app));
            }
            readLaunchSettings(response, decoders, m_launchSettings);
        }
    }
    common::writeLog("DownloaderModel::_getPackageByOpenID", __LINE__, L"package is %s", m_packageName.c_str());
}

void DownloaderModel::_threadReqOpenid()
{
    const std::wstring url = ConfigImp::instance()->channelUrl(m_machineId);
    common::writeLog("DownloaderModel::_threadReqOpenid", __LINE__, L"%s ", url.c_str());
    std::string response;
    if (!fetchDocument(m_textDownloader, url, "DownloaderModel::_threadReqOpenid", __LINE__, L"error 1111",
                       response)) {
        response.clear();
    }
    const ChannelAnswer answer = readChannelAnswer(response);
    if (answer.status == ChannelStatus::notJson) {
        common::writeLog("DownloaderModel::_threadReqOpenid", __LINE__, L"it is not json");
        return;
    }
    if (answer.status == ChannelStatus::codeNotRight) {
        common::writeLog("DownloaderModel::_threadReqOpenid", __LINE__, L"code not right");
        return;
    }
    if (!answer.channelId.empty()) {
        std::lock_guard<std::mutex> guard(m_serverDataLock);
        m_channelId = answer.channelId;
    }
}

void DownloaderModel::_threadCustomerInfo()
{
    common::writeLog("DownloaderModel::_threadCustomerInfo", __LINE__, L"start get curstomer info");
    const std::wstring url = ConfigImp::instance()->customerTextsUrl();
    std::string response;
    if (!fetchDocument(m_textDownloader, url, "DownloaderModel::_threadCustomerInfo", __LINE__, L"error 1111",
                       response)) {
        response.clear();
    }
    const CustomerTexts texts = readCustomerTexts(response, m_profile.profileCode, systemDecoders());
    if (!texts.isObject) {
        common::writeLog("DownloaderModel::_threadCustomerInfo", __LINE__, L"customer usrl is not json");
        return;
    }
    std::lock_guard<std::mutex> guard(m_serverDataLock);
    if (texts.installError) {
        m_installErrorText = *texts.installError;
    }
    if (texts.customerLink) {
        m_customerLink = *texts.customerLink;
    }
}
