#include "engine/WinInetErrors.h"

#include <algorithm>
#include <array>

#include <openssl/x509_vfy.h>

namespace quarlo {

namespace {

struct Description {
    int32_t code;
    const char* text;
};

// Sorted by code, for the binary search below.
constexpr std::array<Description, 76> kDescriptions{{
    {12001, "Internet Out Of Handles."},
    {12002, "Internet Timeout."},
    {12003, "Internet Extended Error."},
    {12004, "Internet Internal Error."},
    {12005, "Internet Invalid Url."},
    {12006, "Internet Unrecognized Scheme."},
    {12007, "Internet Name Not Resolved."},
    {12008, "Internet Protocol Not Found."},
    {12009, "Internet Invalid Option."},
    {12010, "Internet Bad Option Length."},
    {12011, "Internet Option Not Settable."},
    {12012, "Internet Shutdown."},
    {12013, "Internet Incorrect User Name."},
    {12014, "Internet Incorrect Password."},
    {12015, "Internet Login Failure."},
    {12016, "Internet Invalid Operation."},
    {12017, "Internet Operation Cancelled."},
    {12018, "Internet Incorrect Handle Type."},
    {12019, "Internet Incorrect Handle State."},
    {12020, "Internet Not Proxy Request."},
    {12021, "Internet Registry Value Not Found."},
    {12022, "Internet Bad Registry Parameter."},
    {12023, "Internet No Direct Access."},
    {12024, "Internet No Context."},
    {12025, "Internet No Callback."},
    {12026, "Internet Request Pending."},
    {12027, "Internet Incorrect Format."},
    {12028, "Internet Item Not Found."},
    {12029, "Internet Cannot Connect."},
    {12030, "Internet Connection Aborted."},
    {12031, "Internet Connection Reset."},
    {12032, "Internet Force Retry."},
    {12033, "Internet Invalid Proxy Request."},
    {12034, "Internet Need Ui."},
    {12036, "Internet Handle Exists."},
    {12037, "The security Certificate has an invalid date (has expired). Check also the "
            "SecurityFlags property."},
    {12038, "The security Certificate has an invalid name - i.e. it's not the same name as "
            "the web site's one. Check also the SecurityFlags property."},
    {12039, "Not allowed HTTP to HTTPS redirection. Check also the SecurityFlags property."},
    {12040, "Not allowed HTTPS to HTTP redirection. Check also the SecurityFlags property."},
    {12041, "Internet Mixed Security."},
    {12042, "Internet Chg Post Is Non Secure."},
    {12043, "Internet Post Is Non Secure."},
    {12044, "Internet Client Auth Cert Needed."},
    {12045, "Invalid Certification Authority."},
    {12046, "Internet Client Auth Not Setup."},
    {12047, "Internet Async Thread Failed."},
    {12048, "Internet Redirect Scheme Change."},
    {12049, "Internet Dialog Pending."},
    {12050, "Internet Retry Dialog."},
    {12052, "Internet Https Http Submit Redir."},
    {12053, "Internet Insert Cdrom."},
    {12110, "FTP Transfer is currently in progress."},
    {12111, "FTP connection dropped."},
    {12112, "The FTP server does not support the passive mode."},
    {12150, "Http Header Not Found."},
    {12151, "Http Downlevel Server."},
    {12152, "Http Invalid Server Response."},
    {12153, "Http Invalid Header."},
    {12154, "Http Invalid Query Request."},
    {12155, "Http Header Already Exists."},
    {12156, "Http Redirect Failed."},
    {12157, "Internet Security Channel Error."},
    {12158, "Internet Unable To Cache File."},
    {12159, "Internet Tcpip Not Installed."},
    {12160, "Http Not Redirected."},
    {12161, "Http Cookie Needs Confirmation."},
    {12162, "Http Cookie Declined."},
    {12163, "Internet Disconnected."},
    {12164, "Internet Server Unreachable."},
    {12165, "Internet Proxy Server Unreachable."},
    {12166, "Internet Bad Auto Proxy Script."},
    {12167, "Internet Unable To Download Script."},
    {12168, "Http Redirect Needs Confirmation."},
    {12169, "Invalid Security Certificate."},
    {12170, "Revoked Security Certificate."},
    {12171, "Failed due to security check."},
}};

// A certificate the peer presented but that did not pass the check.
int32_t certificateCode(long verifyResult) {
    switch (verifyResult) {
    // libcurl records the chain's result only after its own host name check, and holds
    // "unspecified" until then: with OK or "unspecified" the chain passed and the name did not.
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return kInetCertNameInvalid;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return kInetCertDateInvalid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_INVALID_CA:
        return kInetInvalidCA;
    case X509_V_ERR_CERT_REVOKED:
        return kInetCertRevoked;
    default:
        return kInetInvalidCert;
    }
}

} // namespace

std::string winInetDescription(int32_t code) {
    auto it = std::lower_bound(kDescriptions.begin(), kDescriptions.end(), code,
                               [](const Description& d, int32_t c) { return d.code < c; });
    if (it == kDescriptions.end() || it->code != code)
        return {};
    return it->text;
}

std::string clientErrorText(int32_t code) {
    switch (code) {
    case kTickCantWaitForThread:
        return "Can't wait for thread";
    case kTickBusy:
        return "Busy performing current action";
    case kTickWriteFailed:
        return "Error writing to LocalFile";
    case kTickDiskFault:
        return "The disk of LocalFile is full or read-only";
    case kTickNoServer:
        return "No server specified in URL.";
    case kTickBadScheme:
        return "Specified URLScheme is invalid.";
    case kTickCantOpenFile:
        return "Can't open local file for writing.";
    case kTickTooLarge:
        return "The body is larger than the maximum size.";
    case kTickTooSmall:
        return "The body is smaller than the minimum size.";
    default:
        return {};
    }
}

std::string tickErrorText(int32_t code) {
    if (code == kTickOk)
        return "Ok";
    std::string description = winInetDescription(code);
    if (description.empty())
        description = "(no description available)";
    // Descriptions already end with a full stop; the text gets only one.
    if (description.back() != '.')
        description += '.';
    return "[" + std::to_string(code) + "] " + description;
}

// How libcurl's results map onto the WinInet codes callers know.
//
//   resolve failure (host)                 12007 Name Not Resolved
//   resolve failure (proxy), proxy failure 12165 Proxy Server Unreachable
//   connect failure                        12029 Cannot Connect
//   time-out                               12002 Timeout
//   nothing received, partial body         12030 Connection Aborted
//   send or receive error                  12031 Connection Reset
//   malformed or unexpected answer         12152 Invalid Server Response
//   too many redirects                     12156 Redirect Failed
//   URL rejected                           12005 Invalid Url
//   scheme not allowed                     12006 Unrecognized Scheme
//   login refused                          12015 Login Failure
//   TLS handshake failure                  12157 Security Channel Error
//   certificate expired / not yet valid    12037
//   certificate for another name           12038
//   unknown or untrusted issuer            12045 Invalid CA
//   certificate revoked                    12170
//   any other certificate problem          12169 Invalid Certificate
//   transfer aborted by the client         12017 Operation Cancelled
//   anything else                          12004 Internal Error
int32_t winInetCodeFor(CURLcode result, long tlsVerifyResult) {
    switch (result) {
    case CURLE_OK:
        return kTickOk;
    case CURLE_COULDNT_RESOLVE_HOST:
        return kInetNameNotResolved;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_PROXY:
        return kInetProxyServerUnreachable;
    case CURLE_COULDNT_CONNECT:
        return kInetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return kInetTimeout;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return kInetConnectionAborted;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return kInetConnectionReset;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_BAD_CONTENT_ENCODING:
        return kHttpInvalidServerResponse;
    case CURLE_TOO_MANY_REDIRECTS:
        return kHttpRedirectFailed;
    case CURLE_URL_MALFORMAT:
        return kInetInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return kInetUnrecognizedScheme;
    case CURLE_LOGIN_DENIED:
        return kInetLoginFailure;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CLIENTCERT:
        return kInetSecurityChannelError;
    case CURLE_PEER_FAILED_VERIFICATION:
        return certificateCode(tlsVerifyResult);
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return kInetInvalidCert;
    case CURLE_ABORTED_BY_CALLBACK:
        return kInetOperationCancelled;
    default:
        return kInetInternalError;
    }
}

ErrorCode errorCodeOfCurl(CURLcode result) {
    switch (result) {
    case CURLE_OK:
        return ErrorCode::None;
    case CURLE_ABORTED_BY_CALLBACK:
        return ErrorCode::Cancelled;
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FILE_COULDNT_READ_FILE:
        return ErrorCode::NotFound;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_FAILED_INIT:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_WRITE_ERROR:
    case CURLE_READ_ERROR:
    case CURLE_BAD_FUNCTION_ARGUMENT:
        return ErrorCode::Other;
    default:
        return ErrorCode::Network;
    }
}

ErrorCode errorCodeOfTick(int32_t code) {
    switch (code) {
    case kTickOk:
        return ErrorCode::None;
    case kInetOperationCancelled:
        return ErrorCode::Cancelled;
    case kTickDiskFault:
        return ErrorCode::NoSpace;
    case kTickCantWaitForThread:
    case kTickBusy:
    case kTickWriteFailed:
    case kTickBadScheme:
    case kTickNoServer:
    case kTickCantOpenFile:
    case kTickTooLarge:
    case kTickTooSmall:
    case kInetInternalError:
    case kInetInvalidUrl:
    case kInetUnrecognizedScheme:
    case kInetInvalidOperation:
        return ErrorCode::Other;
    default:
        return ErrorCode::Network;
    }
}

} // namespace quarlo
