#include "model/TQLApp.h"

#include "platform/FileUtil.h"

#include <algorithm>

namespace quarlo {

namespace {

const char* const kDefaultUserAgent = "Quarlo/3.0 (https://quarlo.invalid/)";

} // namespace

void TQLApp::readSettings() {
    // The order is fixed: it is the order in which a fresh settings file lists the values.
    m_showSummary = m_settings.readBool(kSettingsKey, "Show Summary On Completion", true);
    m_beep = m_settings.readBool(kSettingsKey, "Beep On Completion", true);
    m_zipPropertiesFirst = m_settings.readBool(kSettingsKey, "Zip Properties First", false);
    m_connections = std::clamp(m_settings.readInt(kSettingsKey, "Connections", 5), kMinConnections,
                               kMaxConnections);
    m_priority =
        std::clamp(m_settings.readInt(kSettingsKey, "Priority", 5), kMinPriority, kMaxPriority);
    m_useProxy = m_settings.readBool(kSettingsKey, "Use Proxy", false);
    m_proxyAddress = m_settings.readText(kSettingsKey, "Proxy Address", "");
    m_proxyPort = m_settings.readText(kSettingsKey, "Proxy Port", "");
    m_proxyAuthorization = m_settings.readText(kSettingsKey, "Proxy Authorization", "");
    m_language = m_settings.readText(kSettingsKey, "Language", "Native");
    m_skin = m_settings.readText(kSettingsKey, "Skin", "Default");
    m_noAds = m_settings.readBool(kSettingsKey, "No Ads", false);
    m_maxUrlHistory = m_settings.readInt(kSettingsKey, "Max URL History", 20);
    m_maxFileHistory = m_settings.readInt(kSettingsKey, "Max File History", 10);
    m_lastCategory = m_settings.readText(kSettingsKey, "Last Category", "");
    m_lastTask = m_settings.readText(kSettingsKey, "Last Task", "");
    m_dispatchPause =
        std::max(0, m_settings.readInt(kSettingsKey, "Dispatch Pause", kDefaultDispatchPause));
    m_userAgentChoice = m_settings.readText(kSettingsKey, "User Agent", "");
    m_userAgent = resolveUserAgent(m_userAgentChoice);
    m_connectionsPerHost =
        std::clamp(m_settings.readInt(kSettingsKey, "Connections Per Host", 0), 0, kMaxConnections);
    m_maxRate = std::max(0, m_settings.readInt(kSettingsKey, "Max Rate", 0));
}

void TQLApp::writeSetting(const char* name, int value) {
    reportSettingsFailure(m_settings.writeInt(kSettingsKey, name, value));
}

void TQLApp::writeSetting(const char* name, bool value) {
    reportSettingsFailure(m_settings.writeBool(kSettingsKey, name, value));
}

void TQLApp::writeSetting(const char* name, const std::string& value) {
    ignoreFailure(writeTextSetting(name, value)); // reported there
}

Status TQLApp::writeTextSetting(const char* name, const std::string& value) {
    Status written = m_settings.writeText(kSettingsKey, name, value);
    reportSettingsFailure(written);
    return written;
}

void TQLApp::setLastCategory(const std::string& category) {
    m_lastCategory = category;
    writeSetting("Last Category", category);
}

void TQLApp::setLastTask(const std::string& path) {
    m_lastTask = path;
    writeSetting("Last Task", path);
}

int TQLApp::saveMode() {
    // Written by other processes too (a second front end), so never cached.
    return m_settings.readInt(kSettingsKey, "Save Mode", 0) == 1 ? 1 : 0;
}

void TQLApp::setSaveMode(int mode) {
    writeSetting("Save Mode", mode == 1 ? 1 : 0);
}

void TQLApp::setShowSummaryOnCompletion(bool on) {
    m_showSummary = on;
    writeSetting("Show Summary On Completion", on);
}

void TQLApp::setBeepOnCompletion(bool on) {
    m_beep = on;
    writeSetting("Beep On Completion", on);
}

void TQLApp::setZipPropertiesFirst(bool on) {
    m_zipPropertiesFirst = on;
    writeSetting("Zip Properties First", on);
}

void TQLApp::setConnections(int count) {
    m_connections = std::clamp(count, kMinConnections, kMaxConnections);
    writeSetting("Connections", m_connections.load());
}

void TQLApp::setConnectionsPerHost(int count) {
    m_connectionsPerHost = std::clamp(count, 0, kMaxConnections);
    writeSetting("Connections Per Host", m_connectionsPerHost.load());
}

int TQLApp::connectionsPerHost() const {
    const int perHost = m_connectionsPerHost;
    return perHost == 0 ? m_connections.load() : std::min(perHost, m_connections.load());
}

void TQLApp::setMaxRate(int kilobytesPerSecond) {
    m_maxRate = std::max(0, kilobytesPerSecond);
    writeSetting("Max Rate", m_maxRate.load());
}

std::string TQLApp::proxyServer() const {
    if (!m_useProxy || m_proxyAddress.empty())
        return {};
    return m_proxyPort.empty() ? m_proxyAddress : m_proxyAddress + ":" + m_proxyPort;
}

void TQLApp::setUseProxy(bool on) {
    m_useProxy = on;
    writeSetting("Use Proxy", on);
}

void TQLApp::setProxyAddress(const std::string& address) {
    m_proxyAddress = address;
    writeSetting("Proxy Address", address);
}

void TQLApp::setProxyPort(const std::string& port) {
    m_proxyPort = port;
    writeSetting("Proxy Port", port);
}

void TQLApp::setProxyAuthorization(const std::string& authorization) {
    m_proxyAuthorization = authorization;
    writeSetting("Proxy Authorization", authorization);
}

void TQLApp::setLanguage(const std::string& language) {
    m_language = language;
    writeSetting("Language", language);
}

void TQLApp::setSkin(const std::string& skin) {
    m_skin = skin;
    writeSetting("Skin", skin);
}

void TQLApp::setNoAds(bool on) {
    m_noAds = on;
    writeSetting("No Ads", on);
}

void TQLApp::setMaxUrlHistory(int count) {
    m_maxUrlHistory = count;
    writeSetting("Max URL History", count);
}

void TQLApp::setMaxFileHistory(int count) {
    m_maxFileHistory = count;
    writeSetting("Max File History", count);
}

void TQLApp::setDispatchPause(int milliseconds) {
    m_dispatchPause = std::max(0, milliseconds);
    writeSetting("Dispatch Pause", m_dispatchPause.load());
}

Status TQLApp::setUserAgent(const std::string& choice) {
    m_userAgentChoice = choice;
    m_userAgent = resolveUserAgent(choice);
    return writeTextSetting("User Agent", choice);
}

std::string TQLApp::resolveUserAgent(const std::string& choice) {
    if (choice.empty() || choice == "Quarlo")
        return kDefaultUserAgent;
    if (choice == "Internet Explorer 4.01")
        return "Mozilla/4.0 (compatible; MSIE 4.01; Windows 95)";
    if (choice == "Netscape Navigator 4.05")
        return "Mozilla/4.05 [en] (Win95; I)";
    if (choice == "Anonymous")
        return {};
    return choice;
}

std::array<std::string, 4> TQLApp::themeColours(int colourBits) {
    if (colourBits > 8)
        return {"$00663300", "$00996633", "$009C6531", "$00BDCFCE"};
    return {"$005f4000", "$00804000", "$00A16000", "$00C0DCC0"};
}

} // namespace quarlo
