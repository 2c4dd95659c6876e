#pragma once

#include "engine/CurlHandles.h"
#include "engine/TickBodyFile.h"
#include "engine/TickCore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarlo {

class TickHTTP;

// One GET of a TickHTTP object over libcurl: sets the request up, runs it in the object's
// session until it ends or is stopped, turns libcurl's callbacks into the object's events and
// puts the body in place. Lives for the duration of the request only; the easy handle it
// uses is the object's, kept between requests.
class TickTransfer {
public:
    // ignoreContentLength: read the body to the end of the connection, whatever the
    // Content-Length header says. redirectBudget: how many redirects it may follow (-1: any).
    TickTransfer(TickHTTP& owner, bool ignoreContentLength, long redirectBudget);
    TickTransfer(const TickTransfer&) = delete;
    TickTransfer& operator=(const TickTransfer&) = delete;

    TickResult run();
    // Whether libcurl refused the answer for a Content-Length that is not a number, before
    // anything of the body came: the request is then worth repeating with the header ignored.
    bool refusedContentLength() const { return m_refusedContentLength; }
    // Whether the request ended because it was stopped (its result is then success).
    bool wasStopped() const { return m_stopped; }
    // The redirect target at which the request was given up because it left the host whose
    // certificate is accepted unverified: it is to be fetched again with verification.
    const std::string& redirectToVerify() const { return m_redirectToVerify; }
    // How many redirects were followed, the one given up at included.
    long redirectsFollowed() const { return m_redirectsFollowed; }

private:
    TickResult runWith(CurlSlist& headers);
    bool configure(CURL* easy, CurlSlist& headers);
    CURLcode perform(CURL* easy);
    TickResult finish(CURL* easy, CURLcode result);
    TickResult finishComplete();
    TickResult fileFailure(int32_t code) const;

    static size_t onHeaderData(char* data, size_t size, size_t count, void* self);
    static size_t onBodyData(char* data, size_t size, size_t count, void* self);
    static curl_socket_t onOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int onPrerequest(void* self, char* primaryIp, char* localIp, int primaryPort,
                            int localPort);

    // False to end the transfer.
    bool headerLine(std::string_view line);
    bool endOfHeaderBlock();
    bool passesMaximum(int64_t bytes) const;
    void flushHeaders();
    size_t bodyBlock(std::string_view block);
    void startHop(const std::string& url, const std::string& host);
    void noteRequestSent(CURL* easy);

    TickHTTP& m_owner;
    bool m_ignoreContentLength;
    long m_redirectBudget;
    long m_redirectsFollowed = 0;
    bool m_refusedContentLength = false;
    bool m_stopped = false;
    TickBodyFile m_file;
    CURL* m_easy = nullptr;

    // The request now under way (the start URL, then each redirect target).
    std::string m_hopURL;
    std::string m_hopHost;
    long m_requestBytesBefore = 0;
    bool m_requestSent = false;
    bool m_resolved = false;

    // The header block of the latest response; reported only once it proves final.
    std::vector<std::pair<std::string, std::string>> m_headers;
    std::string m_location;
    int m_responseCode = 0;
    bool m_inBlock = false;
    bool m_blockComplete = false;
    bool m_blockFinal = false;
    bool m_headersReported = false;
    int64_t m_contentLength = -1;  // of the latest response; -1 when absent
    bool m_contentEncoded = false; // the latest response's body comes compressed
    bool m_unverified = false;     // the certificate of the start host is not verified
    std::string m_redirectToVerify;
    bool m_tooLarge = false;

    bool m_bodyStarted = false;
    bool m_keepBody = false;
    int32_t m_fileError = 0;
    int64_t m_total = 0;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

} // namespace quarlo
