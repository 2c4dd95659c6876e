#pragma once

#include <array>
#include <mutex>
#include <string>

#include <curl/curl.h>

namespace quarlo {

// libcurl's process-wide set-up, done once before the first handle is made and undone when
// the program exits.
class CurlGlobal {
public:
    static void ensure();

private:
    CurlGlobal();
    ~CurlGlobal();
};

// Owns one easy handle (one transfer).
class CurlEasy {
public:
    CurlEasy();
    ~CurlEasy();
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    CURL* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    CURL* m_handle;
};

// Owns one multi handle: the connection cache of one client and the poll it waits in.
class CurlMulti {
public:
    CurlMulti();
    ~CurlMulti();
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    CURLM* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    CURLM* m_handle;
};

// Owns a list of request header lines.
class CurlSlist {
public:
    CurlSlist() = default;
    ~CurlSlist();
    CurlSlist(const CurlSlist&) = delete;
    CurlSlist& operator=(const CurlSlist&) = delete;

    // False when the line could not be added (out of memory); the list stays as it was.
    bool append(const std::string& line);
    curl_slist* get() const { return m_list; }
    bool empty() const { return m_list == nullptr; }

private:
    curl_slist* m_list = nullptr;
};

// Owns a share handle whose data (DNS cache, TLS sessions and, for one of the two, cookies)
// every client object uses, the way the platform service kept them for the whole process.
// Each kind of shared data has its own lock.
class CurlShare {
public:
    // The share with cookies, and the one without (for clients that refuse cookies).
    static CurlShare& withCookies();
    static CurlShare& withoutCookies();

    ~CurlShare();
    CurlShare(const CurlShare&) = delete;
    CurlShare& operator=(const CurlShare&) = delete;

    CURLSH* get() const { return m_handle; }

private:
    explicit CurlShare(bool cookies);
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self);
    static void unlock(CURL*, curl_lock_data data, void* self);

    CURLSH* m_handle;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_locks;
};

} // namespace quarlo
