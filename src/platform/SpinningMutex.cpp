#include "platform/SpinningMutex.h"

#include <cerrno>
#include <system_error>

namespace quarlo {

SpinningMutex::SpinningMutex() {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    // The C library's adaptive kind: a contended lock() spins on try-lock (with back-off)
    // before it sleeps.
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
    const int made = pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (made != 0)
        throw std::system_error(made, std::system_category(), "pthread_mutex_init");
}

SpinningMutex::~SpinningMutex() {
    pthread_mutex_destroy(&m_mutex);
}

void SpinningMutex::lock() {
    if (const int locked = pthread_mutex_lock(&m_mutex); locked != 0)
        throw std::system_error(locked, std::system_category(), "pthread_mutex_lock");
}

bool SpinningMutex::try_lock() {
    return pthread_mutex_trylock(&m_mutex) == 0;
}

void SpinningMutex::unlock() {
    pthread_mutex_unlock(&m_mutex);
}

} // namespace quarlo
