// SPDX-License-Identifier: GPL-3.0-or-later
// Names removed on interruption: a fixed table that a signal handler can
// walk without taking a lock or allocating.  A slot is claimed (Free ->
// Filling), given its folder and name, and only then marked Live; the
// handler unlinks the Live ones.
#include "io/file_io_posix.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tarnvold {
namespace {

enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2 };
constexpr int kSlots = 64;
constexpr std::size_t kSlotName = 64;

struct TempSlot {
    std::atomic<int> state{kFree};
    int dir = -1;
    char name[kSlotName];
};
static_assert(std::atomic<int>::is_always_lock_free);

TempSlot g_slots[kSlots];

extern "C" void on_interrupt(int sig) {
    const int saved = errno;
    remove_temporaries_now();
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    // Blocked while this handler runs: delivered, with its default action,
    // as soon as it returns.
    ::raise(sig);
    errno = saved;
}

}  // namespace

int remember_temporary(int dir, const std::string& name) noexcept {
    if (name.size() >= kSlotName) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
            // Folder and name are stored while the slot is Filling, which
            // the handler passes over; the release store of Live comes last,
            // so a handler that sees Live reads them whole, never half a name.
            g_slots[i].dir = dir;
            std::memcpy(g_slots[i].name, name.c_str(), name.size() + 1);
            g_slots[i].state.store(kLive, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void forget_temporary_slot(int slot) noexcept {
    if (slot < 0) return;
    g_slots[slot].state.store(kFilling, std::memory_order_release);
    g_slots[slot].state.store(kFree, std::memory_order_release);
}

void remove_temporaries_now() noexcept {
    for (auto& slot : g_slots)
        if (slot.state.load(std::memory_order_acquire) == kLive) ::unlinkat(slot.dir, slot.name, 0);
}

void install_interrupt_cleanup() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0) continue;
        // A signal the caller chose to ignore (nohup) stays ignored.
        if ((old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = on_interrupt;
        sigemptyset(&action.sa_mask);
        sigaddset(&action.sa_mask, SIGINT);
        sigaddset(&action.sa_mask, SIGTERM);
        sigaddset(&action.sa_mask, SIGHUP);
        action.sa_flags = SA_RESTART;
        ::sigaction(sig, &action, nullptr);
    }
}

}  // namespace tarnvold
