// SPDX-License-Identifier: GPL-3.0-or-later
// Faults and pauses at the file layer's seam, for tests and their child
// processes.
#pragma once

#include "io/file_io.h"

namespace tarnvold::testing {

// Fails the n-th file operation of one kind with a given error number.
struct FaultPlan {
    IoOp op;
    int after;  // let this many pass first
    int error;
    int seen = 0;
};

// The plan is in force for the scope's life; the seam is free again after.
class FaultScope {
public:
    explicit FaultScope(FaultPlan& plan);
    ~FaultScope();
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};

// For a child process: at the n-th operation of one kind it says "paused"
// on standard output and waits there, until its standard input ends or,
// with `forever`, until it is killed.  With `named` it acts as on a file
// system without unnamed temporary files.
struct PausePlan {
    IoOp op = IoOp::Write;
    int after = 0;  // let this many pass first
    bool forever = false;
    bool named = false;
    int seen = 0;
};

// Installs the plan for the rest of the process.
void pause_at(PausePlan& plan);

}  // namespace tarnvold::testing
