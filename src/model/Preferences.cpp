#include "model/Preferences.h"

#include "model/TQLApp.h"
#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"

#include <charconv>
#include <map>
#include <tuple>

namespace quarlo {

namespace {

bool readFlag(TQLApp& app, const char* name) {
    return app.settings().readBool(kSettingsKey, name, false);
}

std::string readText(TQLApp& app, const char* name, const std::string& def) {
    return app.settings().readText(kSettingsKey, name, def);
}

void fillConnection(TQLApp& app, PreferenceValues& v) {
    v.useProxy = readFlag(app, "Use Proxy");
    v.proxyAddress = app.proxyAddress();
    v.proxyPort = app.proxyPort();
    const std::string authorization = app.proxyAuthorization();
    if (!authorization.empty())
        std::tie(v.proxyUser, v.proxyPassword) = splitProxyAuthorization(authorization);
    v.connectionsPerHost = app.connectionsPerHostSetting();
    v.maxRate = app.maxRate();
}

// The limits are written only when changed, so a settings file gains no key it lacked
// just because the dialog was confirmed.
void storeLimits(TQLApp& app, const PreferenceValues& v) {
    if (v.connectionsPerHost != app.connectionsPerHostSetting())
        app.setConnectionsPerHost(v.connectionsPerHost);
    if (v.maxRate != app.maxRate())
        app.setMaxRate(v.maxRate);
}

} // namespace

PreferenceValues loadPreferences(TQLApp& app) {
    PreferenceValues v;
    v.zipLast = readFlag(app, "Zip Last");
    v.zipPropertiesFirst = readFlag(app, "Zip Properties First");
    v.beepOnCompletion = app.beepOnCompletion();
    v.showSummaryOnCompletion = app.showSummaryOnCompletion();
    v.noAds = app.noAds();
    v.tempFolder = app.tempFolder();
    v.lastZipFolder = readFlag(app, "Last Zip Folder");
    v.lastUnzipFolder = readFlag(app, "Last Unzip Folder");
    v.zipFolder = readText(app, "Zip Folder", "");
    v.unzipFolder = readText(app, "Unzip Folder", "");
    v.downloadsFolder = app.downloadsFolder();
    v.intranetFolder = app.intranetFolder();
    fillConnection(app, v);
    // An empty choice sends the program's own identity, as "Quarlo" does.
    v.userAgent = readText(app, "User Agent", "Quarlo");
    if (v.userAgent.empty())
        v.userAgent = "Quarlo";
    v.maxUrlHistory = std::to_string(app.maxUrlHistory());
    v.maxFileHistory = std::to_string(app.maxFileHistory());
    return v;
}

void storePreferences(TQLApp& app, const PreferenceValues& v) {
    SettingsStore& settings = app.settings();
    app.reportSettingsFailure(settings.writeBool(kSettingsKey, "Zip Last", v.zipLast));
    app.setZipPropertiesFirst(v.zipPropertiesFirst);
    app.reportSettingsFailure(settings.writeBool(kSettingsKey, "Last Zip Folder", v.lastZipFolder));
    app.reportSettingsFailure(
        settings.writeBool(kSettingsKey, "Last Unzip Folder", v.lastUnzipFolder));
    if (!v.lastZipFolder)
        app.reportSettingsFailure(settings.writeText(kSettingsKey, "Zip Folder", v.zipFolder));
    if (!v.lastUnzipFolder)
        app.reportSettingsFailure(settings.writeText(kSettingsKey, "Unzip Folder", v.unzipFolder));
    app.setNoAds(v.noAds);

    // Failed writes are reported by the application, once per cause; the dialog closes.
    ignoreFailure(app.setTempFolder(v.tempFolder));
    ignoreFailure(app.setDownloadsFolder(v.downloadsFolder));
    ignoreFailure(app.setIntranetFolder(v.intranetFolder));

    app.setBeepOnCompletion(v.beepOnCompletion);
    app.setShowSummaryOnCompletion(v.showSummaryOnCompletion);
    app.setUseProxy(v.useProxy);
    app.setProxyAddress(proxyAddressToStore(v.proxyAddress));
    app.setProxyPort(std::string(trimBlanks(v.proxyPort)));
    app.setProxyAuthorization(proxyAuthorizationToStore(v.proxyUser, v.proxyPassword));
    storeLimits(app, v);
    ignoreFailure(app.setUserAgent(v.userAgent));
    app.setMaxUrlHistory(historyMaximum(v.maxUrlHistory, 20));
    app.setMaxFileHistory(historyMaximum(v.maxFileHistory, 10));
}

const std::vector<std::string>& userAgentChoices() {
    static const std::vector<std::string> choices = {
        "Quarlo",
        "Internet Explorer 4.01",
        "Netscape Navigator 4.05",
        "Anonymous",
        "Mozilla/4.0 (compatible; MSIE 4.01; Windows 98)",
        "Mozilla/4.0 (compatible; MSIE 4.01; Windows NT)",
        "Mozilla/4.0 (compatible; MSIE 4.01; Windows 95)",
        "Mozilla/4.06 [en] (Win98; I ;Nav)",
        "Mozilla/4.06 [en] (Win95; I ;Nav)",
        "Mozilla/4.06 [en] (WinNT; I)",
    };
    return choices;
}

std::string proxyAddressToStore(const std::string& typed) {
    std::string_view address = trimBlanks(typed);
    constexpr std::string_view scheme = "http://";
    if (address.starts_with(scheme))
        address.remove_prefix(scheme.size());
    return std::string(address);
}

std::string proxyAuthorizationToStore(const std::string& user, const std::string& password) {
    if (user.empty() || password.empty())
        return {};
    return user + ":" + password;
}

std::pair<std::string, std::string> splitProxyAuthorization(const std::string& authorization) {
    const auto colon = authorization.find(':');
    if (colon == std::string::npos)
        return {std::string(), authorization};
    return {authorization.substr(0, colon), authorization.substr(colon + 1)};
}

int historyMaximum(const std::string& text, int fallback) {
    const std::string_view digits = trimBlanks(text);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value < 0)
        return fallback;
    return value;
}

std::string preferencesText(int number) {
    static const std::map<int, std::string> texts = {
        {734, "Clear the list of recently typed URLs?"},
        {735, "Clear the list of recently opened files?"},
    };
    const auto found = texts.find(number);
    return found == texts.end() ? std::string() : found->second;
}

} // namespace quarlo
