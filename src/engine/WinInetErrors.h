#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>

#include <curl/curl.h>

namespace quarlo {

// Codes of the client's own failures.
enum TickErrorCode : int32_t {
    kTickOk = 0,
    kTickCantWaitForThread = 120,
    kTickBusy = 143,
    kTickWriteFailed = 144,
    kTickDiskFault = 145, // the local file system is full or read-only: a failure of the run
    kTickBadStatus = 151,
    kTickNoServer = 152,
    kTickBadScheme = 153,
    // A body outside the size limits: not kept, and not an error of the file.
    kTickTooLarge = 160,
    kTickTooSmall = 161,
    kTickCantOpenFile = 302,
};

// The WinInet codes this client reports for transport failures.
enum WinInetCode : int32_t {
    kInetTimeout = 12002,
    kInetInternalError = 12004,
    kInetInvalidUrl = 12005,
    kInetUnrecognizedScheme = 12006,
    kInetNameNotResolved = 12007,
    kInetInvalidOperation = 12016,
    kInetOperationCancelled = 12017,
    kInetLoginFailure = 12015,
    kInetCannotConnect = 12029,
    kInetConnectionAborted = 12030,
    kInetConnectionReset = 12031,
    kInetCertDateInvalid = 12037,
    kInetCertNameInvalid = 12038,
    kInetInvalidCA = 12045,
    kHttpInvalidServerResponse = 12152,
    kHttpRedirectFailed = 12156,
    kInetSecurityChannelError = 12157,
    kInetDisconnected = 12163,
    kInetProxyServerUnreachable = 12165,
    kInetInvalidCert = 12169,
    kInetCertRevoked = 12170,
};

// The description of a WinInet error code ("Internet Name Not Resolved."), or an empty
// string for a code outside the table.
std::string winInetDescription(int32_t code);

// The text the client leaves with one of its own failures ("Busy performing current
// action"); empty for other codes (151 carries the status line instead).
std::string clientErrorText(int32_t code);

// The text of an error that left none of its own: "Ok" for 0, otherwise "[<code>] " then
// the description (or "(no description available)") and a full stop.
std::string tickErrorText(int32_t code);

// The WinInet code that stands for a failed libcurl transfer. tlsVerifyResult is the
// certificate check's result (CURLINFO_SSL_VERIFYRESULT) and tells the TLS failures apart.
int32_t winInetCodeFor(CURLcode result, long tlsVerifyResult);

// The kind of a failed libcurl transfer: Cancelled when the client aborted it, NotFound for
// a missing remote or local file, Other for the client's own mistakes (a bad URL, no
// memory, a failed write), Network for the rest.
ErrorCode errorCodeOfCurl(CURLcode result);
// The kind of a client result code, as far as the code tells: Cancelled, NoSpace for a full
// or read-only disk (the file's error tells them apart), Network for transport failures and
// error answers, Other for the client's own failures.
ErrorCode errorCodeOfTick(int32_t code);

} // namespace quarlo
