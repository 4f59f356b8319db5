// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh temporary folder per test, removed afterwards, plus small file
// and tree helpers.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tarnvold::testing {

class TempDir {
public:
    TempDir() {
#ifdef _WIN32
        // No mkdtemp: a name from the clock and a count, made where it is free.
        static unsigned count = 0;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0; path_.empty(); ++attempt) {
            const auto name = "tarnvold-test-" + std::to_string(stamp) + "-" + std::to_string(count++);
            const auto candidate = std::filesystem::temp_directory_path() / name;
            if (std::filesystem::create_directory(candidate)) path_ = candidate;
            if (attempt == 100) throw std::runtime_error("no temporary folder");
        }
#else
        std::string templ = (std::filesystem::temp_directory_path() / "tarnvold-test-XXXXXX").string();
        if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = templ;
#endif
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // With the system's separators throughout, as the program shows paths.
    std::string file(const std::string& name) const { return (path_ / name).make_preferred().string(); }

private:
    std::filesystem::path path_;
};

// Changes the current directory for the lifetime of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedCwd() {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::filesystem::path saved_;
};

// The separator the program joins the paths it shows with.
#ifdef _WIN32
inline const std::string kSep = "\\";
#else
inline const std::string kSep = "/";
#endif

// A UTF-8 path as the file streams take it (on Windows through its UTF-16
// form, not the ANSI code page).
inline std::filesystem::path fs_path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(fs_path(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(fs_path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

// One entry of a tree to make: a file with its contents, or, where the name
// ends in "/", a folder.
struct TreeEntry {
    TreeEntry(std::string entry_name, std::string entry_contents = {})
        : name(std::move(entry_name)), contents(std::move(entry_contents)) {}
    std::string name;
    std::string contents;
};

// Makes `root` and the entries below it, with the folders on their way.
inline void make_tree(const std::string& root, std::initializer_list<TreeEntry> entries) {
    std::filesystem::create_directories(fs_path(root));
    for (const auto& [name, contents] : entries) {
        const std::string path = root + "/" + name;
        if (name.ends_with('/')) {
            std::filesystem::create_directories(fs_path(path));
        } else {
            std::filesystem::create_directories(fs_path(path).parent_path());
            write_file(path, contents);
        }
    }
}

// Every entry below a folder with its contents ("<dir>" for a folder), by
// path, for comparing a tree before and after.
inline std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& e : std::filesystem::recursive_directory_iterator(fs_path(folder))) {
        const std::u8string path = e.path().u8string();
        const std::u8string relative = e.path().lexically_relative(fs_path(folder)).generic_u8string();
        entries[folder + "/" + std::string(relative.begin(), relative.end())] =
            e.is_regular_file() ? read_file(std::string(path.begin(), path.end())) : std::string("<dir>");
    }
    return entries;
}

// Names in a folder, for checking that nothing was left behind.
inline std::size_t entry_count(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

// Open descriptors (handles on Windows) of this process, for checking that
// nothing leaks.
inline std::size_t open_descriptor_count() {
#ifdef _WIN32
    DWORD n = 0;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &n)) throw std::runtime_error("no handle count");
    return n;
#else
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
#endif
}

}  // namespace tarnvold::testing
