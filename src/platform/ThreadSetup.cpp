#include "platform/ThreadSetup.h"

#include <pthread.h>
#include <sched.h>

namespace quarlo {

void nameThisThread(const char* name) {
    // A name that is too long is refused and the thread keeps the program's name: harmless.
    pthread_setname_np(pthread_self(), name);
}

void markThisThreadAsBatch() {
    // Unprivileged and harmless when refused (the thread keeps the normal policy).
    sched_param parameters{};
    parameters.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &parameters);
}

} // namespace quarlo
