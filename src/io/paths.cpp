// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/paths.h"

#include "io/file_io.h"

#include <cerrno>
#include <filesystem>
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

std::string resolved_path(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    if (ec) return {};
    std::string text = std::filesystem::weakly_canonical(absolute, ec).string();
    if (ec) return {};
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

std::string real_path(const std::string& path) {
    std::error_code ec;
    std::string text = std::filesystem::canonical(path, ec).string();
    return ec ? std::string() : text;
}

bool path_at_or_below(const std::string& path, const std::string& folder) {
    if (path.empty() || folder.empty()) return false;
    if (folder == "/" || path == folder) return true;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

std::string full_folder_path(const std::string& folder) {
    const std::string path = (!folder.empty() && folder.front() == '/') ? folder : current_directory() + "/" + folder;
    std::string out;
    std::size_t i = 0;
    while (i < path.size()) {
        const std::size_t next = path.find('/', i);
        const std::size_t end = next == std::string::npos ? path.size() : next;
        const std::string_view part(path.data() + i, end - i);
        if (!part.empty() && part != ".") {
            out += '/';
            out += part;
        }
        i = end + 1;
    }
    return out.empty() ? "/" : out;
}

std::string entry_path(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string last_name(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string parent_folder(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return std::string(path);
    return std::string(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

}  // namespace tarnvold
