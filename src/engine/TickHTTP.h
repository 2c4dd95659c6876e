#pragma once

#include "engine/TickURLParts.h"
#include "engine/TickWinInet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quarlo {

class RateLimiter;

enum TickHTTPActions {
    ickhttpIdle = 0, // stop a running request; with none running, close the connections
    ickhttpGet = 1,
    ickhttpPost = 2,
    ickhttpHead = 3,
    ickhttpResetHeaders = 4,
    ickhttpPut = 5,
};

// One HTTP request and its response: fetches URL into LocalFile.
//
// get() runs on the calling thread and blocks until the transfer ends; every event fires on
// that thread. Redirects are followed; OnHeader reports the header lines of the final
// response only, after OnStatus 110 has announced each redirect (so values a caller takes
// from the headers, such as a size or a date, never come from a redirect). The body is
// written to a
// temporary file beside LocalFile and replaces it only when the transfer completes (see
// get()).
class TickHTTP : public TickWinInet {
public:
    // One response header line split at its first colon; the value keeps everything after
    // the colon, leading blank included.
    using HeaderEvent = std::function<void(const std::string& field, const std::string& value)>;

    TickHTTP();
    ~TickHTTP() override;

    const std::string& URL() const { return m_url; }
    // Stores and splits the URL; a URL that cannot be split makes the next get() fail.
    void setURL(std::string url);
    const std::string& LocalFile() const { return m_localFile; }
    // The file that receives the body (its folder must exist); empty: the body is not kept.
    void setLocalFile(std::string path) { m_localFile = std::move(path); }
    // Empty: no User-Agent header.
    const std::string& UserAgent() const { return m_userAgent; }
    void setUserAgent(std::string agent) { m_userAgent = std::move(agent); }
    // The one accepted media type; empty: no Accept header.
    const std::string& Accept() const { return m_accept; }
    void setAccept(std::string accept) { m_accept = std::move(accept); }
    bool AllowCookies() const { return m_allowCookies; }
    void setAllowCookies(bool on) { m_allowCookies = on; }

    // ickhttpGet while a request runs, ickhttpIdle otherwise.
    TickHTTPActions Action() const;
    // Runs the action: ickhttpGet is get(), ickhttpIdle is stop(), ickhttpResetHeaders
    // empties the optional request headers. The other verbs are not supported (12016).
    TickResult setAction(TickHTTPActions action);

    // Fetches URL. The result (also kept as the last error) is 0 "Ok", or:
    //   143  a request already runs on this object
    //   153  a URL that cannot be split, or a scheme other than http (https for TickHTTPS)
    //   152  no host in the URL
    //   12163 work offline is set
    //   302 / 144  the local file cannot be created / written
    //   151  a complete answer whose status is not 2xx; the text is the status line after its
    //        first blank ("404 Not Found")
    //   120xx the transport failures of winInetCodeFor()
    // A stopped request returns 0 with stopped() true and keeps no file. A complete 2xx
    // answer replaces LocalFile (an empty body leaves an empty file). A complete non-2xx
    // answer with a body is saved only when LocalFile does not exist yet. A 304 answer to a
    // conditional request is a success with notModified() true and LocalFile untouched. An
    // answer whose Content-Length is not a number is read to the end of its connection (the
    // header still reaches OnHeader as sent). Every content coding libcurl decodes is offered
    // in Accept-Encoding, and a compressed body (asked for or not) is saved decoded.
    TickResult get();

    // The date text sent as If-Modified-Since; empty: a plain GET.
    const std::string& ifModifiedSince() const { return m_ifModifiedSince; }
    void setIfModifiedSince(std::string date) { m_ifModifiedSince = std::move(date); }
    // A file of trusted certificate authorities replacing the system's (for tests).
    const std::string& caBundle() const { return m_caBundle; }
    void setCaBundle(std::string path) { m_caBundle = std::move(path); }
    // Seconds allowed for connecting, and for receiving nothing at all, before 12002.
    void setConnectTimeout(long seconds) { m_connectTimeout = seconds; }
    void setReceiveTimeout(long seconds) { m_receiveTimeout = seconds; }
    long maxRedirects() const { return m_maxRedirects; }
    void setMaxRedirects(long count) { m_maxRedirects = count; }
    // Limits on the decoded body of a 2xx answer, in bytes (0: none). A body whose received
    // bytes, or whose Content-Length when it comes uncompressed, pass the maximum is stopped, one
    // that ends below the minimum is not kept; either way LocalFile is left as it was and get()
    // fails with 160 or 161.
    void setSizeLimits(int64_t minBytes, int64_t maxBytes);
    int64_t minBodySize() const { return m_minBodySize; }
    int64_t maxBodySize() const { return m_maxBodySize; }
    // Shared by the transfers whose speeds are capped together; null: no cap. Not owned.
    void setRateLimiter(RateLimiter* limiter) { m_rateLimiter = limiter; }

    // The status line of the last response ("HTTP/1.1 404 Not Found"); empty when none came
    // or after a redirect that was not answered.
    const std::string& statusLine() const { return m_statusLine; }
    // The status line from the character after its first blank; the whole line when it has
    // no blank.
    std::string resultText() const;
    // Whether the last request got 304 to its If-Modified-Since.
    bool notModified() const { return m_notModified; }
    // Body bytes received by the last request, decoded.
    int64_t bytesTransferred() const { return m_bytesTransferred; }
    // Whether the final answer of the last request came compressed (its body is saved
    // decoded, so its Content-Length is not the saved size). Known once OnHeader has
    // reported its headers.
    bool bodyEncoded() const { return m_bodyEncoded; }
    // libcurl's own words on the last transport failure, for logs.
    const std::string& errorDetail() const { return m_errorDetail; }

    HeaderEvent OnHeader;

protected:
    // Whether https URLs may be fetched.
    virtual bool allowsSecureScheme() const { return false; }

private:
    friend class TickTransfer;

    TickResult runGet(bool& wasStopped);
    TickResult runTransfers(bool& wasStopped);
    TickResult checkURL() const;
    // The easy handle of the next request: the one kept from the last request, or a new one;
    // null when libcurl could not make it.
    CURL* requestHandle();
    // Ends a request's use of the handle: its options go back to libcurl's defaults and its
    // share is let go, so that the idle handle points into nothing, until the next request.
    void releaseRequestHandle();

    std::string m_url;
    TickURLParts m_parts;
    std::string m_localFile;
    std::string m_userAgent = "Quarlo HTTP client";
    std::string m_accept;
    bool m_allowCookies = true;
    std::string m_ifModifiedSince;
    std::string m_caBundle;
    long m_connectTimeout = 60;
    long m_receiveTimeout = 60;
    long m_maxRedirects = 20;
    int64_t m_minBodySize = 0;
    int64_t m_maxBodySize = 0;
    RateLimiter* m_rateLimiter = nullptr;

    std::string m_statusLine;
    bool m_notModified = false;
    int64_t m_bytesTransferred = 0;
    bool m_bodyEncoded = false;
    std::string m_errorDetail;
    // Building a handle for every request costs more than resetting one.
    std::unique_ptr<CurlEasy> m_request;
};

} // namespace quarlo
