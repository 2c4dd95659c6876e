#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quarlo {

class TQLApp;

// What the preferences dialog shows and stores: the application object's settings and a
// few values of the Zip windows. Box contents are kept as typed; storing applies the rules.
struct PreferenceValues {
    // General
    std::string maxUrlHistory;  // "Max URL History", a whole number as typed
    std::string maxFileHistory; // "Max File History"
    bool zipLast = false;
    bool noAds = false;
    bool zipPropertiesFirst = false; // "Display Task Screen at startup"
    bool beepOnCompletion = true;
    bool showSummaryOnCompletion = true;
    std::string tempFolder;
    // Zip Folders: "Last Zip Folder" chosen, else the "Folder" choice with its box.
    std::string downloadsFolder;
    bool lastZipFolder = false;
    std::string zipFolder;
    bool lastUnzipFolder = false;
    std::string unzipFolder;
    // Connection
    bool useProxy = false;
    std::string proxyAddress;
    std::string proxyPort;
    std::string proxyUser;
    std::string proxyPassword;
    int connectionsPerHost = 0; // 0 .. 16; 0: as many as "Connections"
    int maxRate = 0;            // KB/s for all transfers together; 0: no cap
    std::string userAgent;
    // Personal Intranet
    std::string intranetFolder;

    bool operator==(const PreferenceValues&) const = default;
};

// Reads the values in the dialog's fill order. Asking for the Temp, Downloads and Personal
// Intranet folders creates them.
PreferenceValues loadPreferences(TQLApp& app);
// Stores the values in the dialog's store order, through the application object's setters
// where it has one, so that it holds what the settings say.
void storePreferences(TQLApp& app, const PreferenceValues& values);

// The agent list: "Quarlo" first, then the built-in identities; any other text may be typed.
const std::vector<std::string>& userAgentChoices();

// The proxy address as stored: blanks at both ends trimmed and a leading "http://" (in
// small letters only) dropped.
std::string proxyAddressToStore(const std::string& typed);
// "user:password" when both are given, else empty.
std::string proxyAuthorizationToStore(const std::string& user, const std::string& password);
// Split at the first ":"; without one the whole text is the password.
std::pair<std::string, std::string> splitProxyAuthorization(const std::string& authorization);
// A history box read as a whole number (not negative); the fallback when it is not one.
int historyMaximum(const std::string& text, int fallback);

// The preferences' numbered texts: 734 and 735, the questions of the two "Clear" buttons.
std::string preferencesText(int number);

} // namespace quarlo
