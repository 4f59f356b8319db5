// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/folder_walk.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/types.h>
#include <unordered_set>
#include <vector>

#include "io/file_io.h"
#include "config/message_id.h"
#include "io/paths.h"
#include "io/utf8_text.h"

namespace tarnvold {

std::string coded_name(std::string_view name) {
    std::string coded(name);
    for (char& c : coded)
        if (c == '.') c = '_';
    return coded + ".cod";
}

std::string decoded_name(std::string_view name) {
    // Where each character starts: UTF-8 characters for a name that is
    // valid UTF-8, single bytes for any other.
    std::vector<std::size_t> starts;
    const bool utf8 = is_utf8(name);
    for (std::size_t pos = 0; pos < name.size(); pos += utf8 ? utf8_char_length(name, pos) : 1) starts.push_back(pos);
    const std::size_t count = starts.size();
    if (count >= 8) {
        std::string decoded(name.substr(0, starts[count - 4]));
        const std::size_t dot = starts[count - 8];
        const std::size_t width = starts[count - 7] - dot;
        decoded.replace(dot, width, ".");
        return decoded;
    }
    // Too short for the rule above: drop a final ".cod" when something is
    // left before it, and never give a name the file system cannot hold.
    if (count > 4 && name.ends_with(".cod")) {
        std::string decoded(name.substr(0, name.size() - 4));
        if (decoded != "." && decoded != "..") return decoded;
    }
    return std::string(name) + ".decoded";
}

namespace {

// The path with links and "." / ".." resolved, as far as it exists, and no
// trailing "/" except for the root; empty when it cannot be determined.
std::string resolved(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    if (ec) return {};
    std::string text = std::filesystem::weakly_canonical(absolute, ec).string();
    if (ec) return {};
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

// The path of an existing file or folder with every link resolved; empty
// when it cannot be determined.
std::string real_path(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string text(real);
    std::free(real);
    return text;
}

// True when the resolved path `path` is the resolved folder `folder` or lies
// below it.
bool at_or_below(const std::string& path, const std::string& folder) {
    if (path.empty() || folder.empty()) return false;
    if (folder == "/" || path == folder) return true;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// The full path of a folder as it is joined with its entries' names: made
// absolute, without empty or "." components and without a trailing "/"
// except for the root.  ".." is left for the file system to resolve, so a
// link in the path keeps its meaning.
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

enum class EntryKind { Folder, File, Other };

// What an entry is, links followed; `link` tells whether it is a link.
// Only folders and regular files take part in a walk: pipes, sockets,
// devices and broken links have no contents to code (and opening a pipe
// would wait for a writer forever).
EntryKind kind_of(const std::string& path, unsigned char type, bool& link) {
    link = false;
    if (type == DT_DIR) return EntryKind::Folder;
    if (type == DT_REG) return EntryKind::File;
    if (type != DT_LNK && type != DT_UNKNOWN) return EntryKind::Other;
    struct stat st {};
    if (type == DT_UNKNOWN && ::lstat(path.c_str(), &st) == 0) link = S_ISLNK(st.st_mode);
    if (type == DT_LNK) link = true;
    if (::stat(path.c_str(), &st) != 0) return EntryKind::Other;
    if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    return EntryKind::Other;
}

bool is_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string ascii_lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string cannot_enter(const std::string& folder, int error) {
    return "Cannot enter folder " + folder + ": " + std::strerror(error);
}

}  // namespace

// One open folder listing; every entry but "." and "..", in the order the
// file system gives them.
class FolderWalk::Listing {
public:
    explicit Listing(const std::string& folder) : dir_(::opendir(folder.c_str())), error_(dir_ ? 0 : errno) {}
    ~Listing() {
        if (dir_ != nullptr) ::closedir(dir_);
    }
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    bool is_open() const { return dir_ != nullptr; }
    // Why it could not be opened.
    int error() const { return error_; }

    // The folder's identity, for recognising a folder reached a second time.
    bool identity(dev_t& dev, ino_t& ino) {
        struct stat st {};
        if (::fstat(::dirfd(dir_), &st) != 0) {
            error_ = errno;
            return false;
        }
        dev = st.st_dev;
        ino = st.st_ino;
        return true;
    }

    // The next entry; false at the end of the listing.
    bool next(std::string& name, unsigned char& type) {
        while (dirent* entry = ::readdir(dir_)) {
            const std::string_view n = entry->d_name;
            if (n == "." || n == "..") continue;
            name.assign(n);
            type = entry->d_type;
            return true;
        }
        return false;
    }

private:
    DIR* dir_;
    int error_;
};

bool destination_inside_source(const std::string& source, const std::string& destination) {
    return at_or_below(resolved(destination), resolved(source));
}

std::string refusal_inside_source(const std::string& destination) {
    return "The destination folder is the source folder or lies inside it, nothing was written: " + destination;
}

// The folders of the current descent, to stop a loop in the tree from
// making the walk endless.
struct FolderWalk::Chain {
    dev_t dev;
    ino_t ino;
    const Chain* up;

    bool seen(dev_t d, ino_t i) const {
        for (const Chain* c = this; c != nullptr; c = c->up)
            if (c->dev == d && c->ino == i) return true;
        return false;
    }
};

std::int64_t FolderWalk::get_files_number(const std::string& folder) {
    files_number = 0;
    count_files(folder);
    return files_number;
}

void FolderWalk::count_files(const std::string& folder) {
    Listing listing(folder);
    if (listing.is_open()) count_in(listing, folder, nullptr);
}

void FolderWalk::count_in(Listing& listing, const std::string& folder, Chain* up) {
    Chain here{};
    if (!listing.identity(here.dev, here.ino)) return;
    if (up != nullptr && up->seen(here.dev, here.ino)) return;
    here.up = up;

    ui_.log_line(ui_.message(msg::kScanning), folder);
    ui_.process_events();

    const std::string base = full_folder_path(folder);
    std::string real;  // this folder resolved, once a link needs it
    std::string name;
    unsigned char type = DT_UNKNOWN;
    bool link = false;
    while (listing.next(name, type)) {
        const std::string path = entry_path(base, name);
        switch (kind_of(path, type, link)) {
        case EntryKind::Folder: {
            if (link) {
                if (real.empty()) real = real_path(base);
                if (at_or_below(real, real_path(path))) break;
            }
            Listing sub(path);
            if (sub.is_open()) count_in(sub, path, &here);
            break;
        }
        case EntryKind::File: ++files_number; break;
        case EntryKind::Other: break;
        }
    }
}

std::string FolderWalk::stop_report() const {
    return "Stopped by the user after " + std::to_string(files_done_) + " of " + std::to_string(files_number) +
           (files_number == 1 ? " file" : " files");
}

void FolderWalk::codedirs(const std::string& source, const std::string& destination, std::string_view password) {
    start(source, destination, password, true);
}

void FolderWalk::decodedirs(const std::string& source, const std::string& destination, std::string_view password) {
    start(source, destination, password, false);
}

void FolderWalk::start(const std::string& source, const std::string& destination, std::string_view password,
                       bool coding) {
    stopped_ = false;
    files_done_ = 0;
    outputs_.clear();
    // The outputs of this run are never replaced by a later file of it.
    engine_.keep_existing = [this](std::uint64_t device, std::uint64_t inode) {
        const auto found = outputs_.find({static_cast<dev_t>(device), static_cast<ino_t>(inode)});
        if (found == outputs_.end()) return false;
        earlier_ = found->second;
        return true;
    };
    struct Forget {
        FolderWalk& walk;
        ~Forget() {
            walk.engine_.keep_existing = nullptr;
            walk.outputs_.clear();
        }
    } forget{*this};
    destination_real_ = real_path(destination);
    struct stat st {};
    const bool known = ::stat(destination.c_str(), &st) == 0;
    destination_dev_ = known ? st.st_dev : 0;
    destination_ino_ = known ? st.st_ino : 0;

    Listing listing(source);
    if (!listing.is_open())
        refuse(cannot_enter(source, listing.error()), source, destination);
    else
        walk(listing, source, destination, password, coding, nullptr, false);
    if (stopped_) ui_.log_line(stop_report());
}

bool FolderWalk::should_stop() {
    if (!stopped_ && stop_requested && stop_requested()) stopped_ = true;
    return stopped_;
}

void FolderWalk::refuse(const std::string& line, const std::string& source, const std::string& destination) {
    ui_.file_begins(source);
    ui_.log_line(line);
    if (on_file) on_file(source, destination, Outcome::Refused);
}

void FolderWalk::walk(Listing& listing, const std::string& source, const std::string& destination,
                      std::string_view password, bool coding, Chain* up, bool made_here) {
    Chain here{};
    if (!listing.identity(here.dev, here.ino))
        return refuse(cannot_enter(source, listing.error()), source, destination);
    here.up = up;

    ui_.log_line(ui_.message(coding ? msg::kCodingFilesIn : msg::kDecodingFilesIn), source);
    ui_.process_events();

    const std::string base = full_folder_path(source);
    std::string real;  // this folder resolved, once a link needs it
    std::string name;
    unsigned char type = DT_UNKNOWN;
    bool link = false;
    // In a destination folder this walk made, every name is one it gave:
    // any other is free and need not be looked at.  Compared without case
    // (for file systems that ignore it), and only while all are ASCII.
    std::unordered_set<std::string> given;
    bool names_known = made_here;
    const auto give = [&](const std::string& out_name) {
        if (!names_known) return false;
        if (!is_ascii(out_name)) return names_known = false;
        return given.insert(ascii_lower(out_name)).second;
    };
    while (!should_stop() && listing.next(name, type)) {
        const std::string path = entry_path(base, name);
        // Joined as given: a destination ending in "/" gives "//", which
        // names the same place.
        switch (kind_of(path, type, link)) {
        case EntryKind::Folder:
            give(name);
            if (link) {
                const std::string target = real_path(path);
                if (at_or_below(target, destination_real_)) {
                    ui_.log_line("Passed by " + path + ": the link leads into the destination folder");
                    break;
                }
                if (real.empty()) real = real_path(base);
                if (at_or_below(real, target)) {
                    ui_.log_line("Passed by " + path + ": the link leads back to a folder being walked");
                    break;
                }
            }
            folder_entry(path, destination + "/" + name, password, coding, here);
            break;
        case EntryKind::File: {
            const std::string out_name = coding ? coded_name(name) : decoded_name(name);
            file_entry(path, destination + "/" + out_name, password, coding,
                       give(out_name) ? Engine::DestinationKind::FreeName : Engine::DestinationKind::Unknown);
            break;
        }
        case EntryKind::Other: break;
        }
    }
}

void FolderWalk::folder_entry(const std::string& path, const std::string& destination, std::string_view password,
                              bool coding, Chain& here) {
    Listing listing(path);
    dev_t dev = 0;
    ino_t ino = 0;
    if (!listing.is_open() || !listing.identity(dev, ino))
        return refuse(cannot_enter(path, listing.error()), path, destination);
    if (here.seen(dev, ino)) return;  // a loop made without links (bind mounts)
    if (dev == destination_dev_ && ino == destination_ino_) {
        ui_.log_line("Passed by " + path + ": it is the destination folder");
        return;
    }
    const Entered entered = enter_destination(path, destination);
    if (entered == Entered::No) return;
    walk(listing, path, destination, password, coding, &here, entered == Entered::Made);
}

// Creates a destination folder, or takes the one that is already there when
// it is a real folder: never one that is a link, which could lead anywhere.
FolderWalk::Entered FolderWalk::enter_destination(const std::string& source, const std::string& destination) {
    const bool made = ::mkdir(destination.c_str(), 0777) == 0;
    if (!made && errno != EEXIST) throw IoError(destination, errno);
    struct stat st {};
    if (::lstat(destination.c_str(), &st) != 0) throw IoError(destination, errno);
    if (S_ISDIR(st.st_mode)) return made ? Entered::Made : Entered::Existing;
    refuse("Passed by " + source + ": its destination " + destination +
               (S_ISLNK(st.st_mode) ? " is a symbolic link" : " is not a folder"),
           source, destination);
    return Entered::No;
}

void FolderWalk::file_entry(const std::string& path, const std::string& target, std::string_view password, bool coding,
                            Engine::DestinationKind where) {
    earlier_.clear();
    if (on_file_begins) on_file_begins(path, target);
    // A file entry is a regular file, as listed or as examined (kind_of).
    Outcome outcome = Outcome::Refused;
    try {
        outcome = coding ? engine_.codefile(path, target, password, Engine::SourceKind::ListedFile, where)
                         : engine_.decodefile(path, target, password, Engine::SourceKind::ListedFile, where);
    } catch (const IoError& error) {
        if (!on_io_error) throw;
        ++files_done_;
        ui_.bar_step(ProgressBarId::Folder);
        on_io_error(path, target, error);
        return;
    }
    if (!earlier_.empty()) {
        // Two names of this run that give the same output name: the first
        // output stays.
        ui_.file_begins(path);
        ui_.log_line("Passed by " + path + ": its destination " + target + " was already written in this run from " +
                     earlier_);
    } else if (const auto written = engine_.last_output()) {
        outputs_[{static_cast<dev_t>(written->first), static_cast<ino_t>(written->second)}] = path;
    }
    ++files_done_;
    ui_.bar_step(ProgressBarId::Folder);
    ui_.process_events();
    if (on_file) on_file(path, target, outcome);
}

std::int64_t FolderWalk::folder_progress_start(const std::string& source) {
    const std::int64_t count = get_files_number(source);
    ui_.bar_setup(ProgressBarId::Folder, 0, count, 1);
    ui_.bar_set_position(ProgressBarId::Folder, 0);
    ui_.label_set_visible(LabelId::Folder, true);
    return count;
}

void FolderWalk::folder_progress_end() { ui_.label_set_visible(LabelId::Folder, false); }

}  // namespace tarnvold
