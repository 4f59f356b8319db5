// SPDX-License-Identifier: GPL-3.0-or-later
// How the platform layer starts its threads.
#pragma once

#include <csignal>
#include <pthread.h>
#include <thread>
#include <utility>

namespace tarnvold {

// A thread that starts with the signals the programs handle blocked, so
// that their handlers run on the main thread: the mask is inherited from
// the thread that makes it, which has them blocked only meanwhile.
template <class Body>
std::thread start_thread(Body&& body) {
#ifdef __unix__
    sigset_t handled, previous;
    sigemptyset(&handled);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT, SIGWINCH, SIGPIPE})
        sigaddset(&handled, sig);
    ::pthread_sigmask(SIG_BLOCK, &handled, &previous);
    struct Restore {
        sigset_t* mask;
        ~Restore() { ::pthread_sigmask(SIG_SETMASK, mask, nullptr); }
    } restore{&previous};
#endif
    return std::thread(std::forward<Body>(body));
}

}  // namespace tarnvold
