// SPDX-License-Identifier: GPL-3.0-or-later
// Which way a file goes, for everything that codes and decodes: the engine,
// the commands, the folder walk and the command-line tool.
#pragma once

#include "config/message_id.h"

namespace tarnvold {

enum class Operation { Code, Decode };

// The log lines that begin and end an operation on one file.
constexpr int starting_message(Operation op) {
    return op == Operation::Code ? msg::kStartingCode : msg::kStartingDecode;
}
constexpr int aborted_message(Operation op) {
    return op == Operation::Code ? msg::kCodingAborted : msg::kDecodingAborted;
}
constexpr int finished_message(Operation op) {
    return op == Operation::Code ? msg::kCodingFinished : msg::kDecodingFinished;
}
// The count line of a folder run, and the line at each folder it enters.
constexpr int start_files_message(Operation op) {
    return op == Operation::Code ? msg::kStartCodingFiles : msg::kStartDecodingFiles;
}
constexpr int files_in_message(Operation op) {
    return op == Operation::Code ? msg::kCodingFilesIn : msg::kDecodingFilesIn;
}

}  // namespace tarnvold
