#include "platform/ThreadName.h"

#include <pthread.h>

namespace quarlo {

void nameThisThread(const char* name) {
    // A name that is too long is refused and the thread keeps the program's name: harmless.
    pthread_setname_np(pthread_self(), name);
}

} // namespace quarlo
