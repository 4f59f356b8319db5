// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/paths.h"

#include "io/file_io.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

namespace tarnvold {

std::string to_native_path(std::string_view stored) {
    std::string path(stored);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string current_directory() {
    std::vector<char> buf(256);
    for (;;) {
        if (::getcwd(buf.data(), buf.size()) != nullptr) break;
        if (errno != ERANGE) throw IoError(".", errno);
        buf.resize(buf.size() * 2);
    }
    std::string dir(buf.data());
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string join_native(std::string_view folder, std::string_view name) {
    std::string path = to_native_path(folder);
    std::string tail = to_native_path(name);
    if (path.empty()) return tail;
    if (path.back() != '/') path += '/';
    std::size_t skip = 0;
    while (skip < tail.size() && tail[skip] == '/') ++skip;
    path.append(tail, skip, std::string::npos);
    return path;
}

std::string last_name(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace tarnvold
