#include "engine/CurlHandles.h"

namespace quarlo {

void CurlGlobal::ensure() {
    static CurlGlobal global;
}

CurlGlobal::CurlGlobal() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlGlobal::~CurlGlobal() {
    curl_global_cleanup();
}

CurlEasy::CurlEasy() {
    CurlGlobal::ensure();
    m_handle = curl_easy_init();
}

CurlEasy::~CurlEasy() {
    if (m_handle != nullptr)
        curl_easy_cleanup(m_handle);
}

CurlMulti::CurlMulti() {
    CurlGlobal::ensure();
    m_handle = curl_multi_init();
}

CurlMulti::~CurlMulti() {
    if (m_handle != nullptr)
        curl_multi_cleanup(m_handle);
}

CurlSlist::~CurlSlist() {
    curl_slist_free_all(m_list);
}

bool CurlSlist::append(const std::string& line) {
    curl_slist* longer = curl_slist_append(m_list, line.c_str());
    if (longer == nullptr)
        return false;
    m_list = longer;
    return true;
}

CurlShare& CurlShare::withCookies() {
    CurlGlobal::ensure();
    static CurlShare share(true);
    return share;
}

CurlShare& CurlShare::withoutCookies() {
    CurlGlobal::ensure();
    static CurlShare share(false);
    return share;
}

CurlShare::CurlShare(bool cookies) : m_handle(curl_share_init()) {
    if (m_handle == nullptr)
        return;
    curl_share_setopt(m_handle, CURLSHOPT_LOCKFUNC, &CurlShare::lock);
    curl_share_setopt(m_handle, CURLSHOPT_UNLOCKFUNC, &CurlShare::unlock);
    curl_share_setopt(m_handle, CURLSHOPT_USERDATA, this);
    curl_share_setopt(m_handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(m_handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    if (cookies)
        curl_share_setopt(m_handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

CurlShare::~CurlShare() {
    if (m_handle != nullptr)
        curl_share_cleanup(m_handle);
}

void CurlShare::lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<CurlShare*>(self)->m_locks[data].lock();
}

void CurlShare::unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<CurlShare*>(self)->m_locks[data].unlock();
}

} // namespace quarlo
