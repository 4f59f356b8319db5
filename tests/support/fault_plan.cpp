// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fault_plan.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <unistd.h>

namespace tarnvold::testing {
namespace {

int inject(IoOp op, const std::string&, void* context) {
    auto* plan = static_cast<FaultPlan*>(context);
    if (op != plan->op) return 0;
    return plan->seen++ == plan->after ? plan->error : 0;
}

int pause(IoOp op, const std::string&, void* context) {
    auto* plan = static_cast<PausePlan*>(context);
    if (op == IoOp::TmpFile && plan->named) return EOPNOTSUPP;
    if (op != plan->op || plan->seen++ != plan->after) return 0;
    if (::write(1, "paused\n", 7) != 7) return EIO;
    if (plan->forever)
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}

}  // namespace

FaultScope::FaultScope(FaultPlan& plan) { set_io_fault_hook(&inject, &plan); }
FaultScope::~FaultScope() { set_io_fault_hook(nullptr, nullptr); }

void pause_at(PausePlan& plan) { set_io_fault_hook(&pause, &plan); }

}  // namespace tarnvold::testing
