// SPDX-License-Identifier: GPL-3.0-or-later
// What the file layer does the same way on every system: the texts of its
// errors, the form of its temporary names and the seam for tests.
#include "io/file_io.h"
#include "io/file_io_shared.h"
#include "io/system_error.h"
#include "io/work_pool.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace tarnvold {

namespace {

IoFaultHook g_hook = nullptr;
void* g_hook_context = nullptr;

std::string reason_of(IoStatus status) {
    switch (status.kind) {
    case IoKind::EndOfFile: return "Read beyond end of file";
    case IoKind::NotRegularFile: return "Not a regular file";
    case IoKind::ChangedWhileCoding: return "The file changed while it was being coded, nothing was written";
    case IoKind::DeviceName: return "The name is that of a device on Windows and cannot be given to a file";
    case IoKind::NameNotAllowed:
        return "Windows cannot hold a name that ends in a dot or a space or holds < > : \" | ? * or a control "
               "character";
    default: return system_reason(status.error);
    }
}
}  // namespace

IoKind kind_of_error(int error) {
    switch (error) {
    case 0: return IoKind::None;
    case ENOENT:
    case ENOTDIR: return IoKind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS: return IoKind::Permission;
    case EEXIST: return IoKind::Exists;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return IoKind::NoSpace;
    case EISDIR: return IoKind::IsFolder;
    default: return IoKind::Other;
    }
}

IoError::IoError(std::string path, int code) : IoError(std::move(path), IoStatus::system(code)) {}

IoError::IoError(std::string path, IoStatus status)
    : std::runtime_error(with_full_stop(path + ": " + reason_of(status))), path_(std::move(path)), status_(status) {}

std::string IoError::reason() const { return reason_of(status_); }

std::string with_full_stop(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

long temporary_owner(std::string_view name) {
    // Exactly what temporary_name makes: ".tvtmp-", ten digits, "-" and
    // eight lower-case hexadecimal digits.  Anything else, however alike,
    // is a file of the user's.
    constexpr std::string_view kMark = ".tvtmp-";
    if (name.size() != kTemporaryNameLength || !name.starts_with(kMark) || name[17] != '-') return -1;
    std::int64_t pid = 0;
    for (const char c : name.substr(kMark.size(), 10)) {
        if (c < '0' || c > '9') return -1;
        pid = pid * 10 + (c - '0');
    }
    for (const char c : name.substr(18))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return -1;
    // A process number too large for a long (32 bits on Windows) is no
    // process of this system.
    return pid <= LONG_MAX ? static_cast<long>(pid) : -1;
}

bool is_temporary_name(std::string_view name) { return temporary_owner(name) >= 0; }

std::string temporary_name(unsigned long process) {
    static std::atomic<unsigned> counter{0};
    char name[40];
    std::snprintf(name, sizeof name, ".tvtmp-%010lu-%08x", process, counter.fetch_add(1, std::memory_order_relaxed));
    return name;
}

void set_io_fault_hook(IoFaultHook hook, void* context) {
    g_hook = hook;
    g_hook_context = context;
}

int io_fault(IoOp op, const std::string& path) { return g_hook != nullptr ? g_hook(op, path, g_hook_context) : 0; }

void check_fault(IoOp op, const std::string& path) {
    if (const int code = io_fault(op, path); code != 0) throw IoError(path, code);
}

bool read_shared(const InputFile& file, unsigned char* p, std::size_t count, std::int64_t start, IoStatus& failed) {
    constexpr std::size_t kShared = 4u << 20;
    if (count < kShared || WorkPool::shared().workers() == 0) return false;
    constexpr std::size_t kPieces = 4;
    const std::size_t piece = (count + kPieces - 1) / kPieces;
    IoStatus pieces[kPieces];
    WorkPool::shared().run_pieces(kPieces, [&](std::size_t i) {
        const std::size_t offset = i * piece;
        pieces[i] =
            file.read_at(p + offset, std::min(piece, count - offset), start + static_cast<std::int64_t>(offset));
        return pieces[i] ? 1 : 0;
    });
    failed = {};
    for (const IoStatus& f : pieces)
        if (f && !failed) failed = f;
    return true;
}

}  // namespace tarnvold
