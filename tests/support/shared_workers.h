// SPDX-License-Identifier: GPL-3.0-or-later
// Gives the shared work pool a fixed number of workers for a scope, so
// that the paths that share work with it run whatever the processor has.
#pragma once

#include "io/work_pool.h"

namespace tarnvold::testing {

class SharedWorkers {
public:
    explicit SharedWorkers(unsigned workers) { WorkPool::resize_shared(workers); }
    ~SharedWorkers() { WorkPool::reset_shared(); }
    SharedWorkers(const SharedWorkers&) = delete;
    SharedWorkers& operator=(const SharedWorkers&) = delete;
};

}  // namespace tarnvold::testing
