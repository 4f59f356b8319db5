#include "folder_walk.h"

#include <cerrno>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

#include "file_io.h"
#include "messages.h"
#include "paths.h"
#include "utf8_text.h"

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
    for (std::size_t pos = 0; pos < name.size(); pos += utf8 ? utf8_char_length(name, pos) : 1)
        starts.push_back(pos);
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

// One open folder listing; every entry but "." and "..", in the order the
// file system gives them.
class Listing {
public:
    explicit Listing(const std::string& folder) : dir_(::opendir(folder.c_str())) {}
    ~Listing() {
        if (dir_ != nullptr) ::closedir(dir_);
    }
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    bool is_open() const { return dir_ != nullptr; }

    // The folder's identity, for recognising a folder reached a second time
    // through a link.
    bool identity(dev_t& dev, ino_t& ino) const {
        struct stat st {};
        if (::fstat(::dirfd(dir_), &st) != 0) return false;
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
};

// What an entry is, links followed.  Only folders and regular files take
// part in a walk: pipes, sockets, devices and broken links have no contents
// to code (and opening a pipe would wait for a writer forever).
EntryKind kind_of(const std::string& path, unsigned char type) {
    if (type == DT_DIR) return EntryKind::Folder;
    if (type == DT_REG) return EntryKind::File;
    if (type != DT_LNK && type != DT_UNKNOWN) return EntryKind::Other;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return EntryKind::Other;
    if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    return EntryKind::Other;
}

// Creates a destination folder, or takes the one that is already there.
void make_folder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return;
    const int error = errno;
    struct stat st {};
    if (error == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    throw IoError(path, error);
}

}  // namespace

bool destination_inside_source(const std::string& source, const std::string& destination) {
    const std::string s = resolved(source);
    const std::string d = resolved(destination);
    if (s.empty() || d.empty()) return false;
    if (s == "/" || d == s) return true;
    return d.size() > s.size() && d.compare(0, s.size(), s) == 0 && d[s.size()] == '/';
}

std::string refusal_inside_source(const std::string& destination) {
    return "The destination folder is the source folder or lies inside it, nothing was written: " + destination;
}

// The folders of the current descent, to stop a link that leads back up the
// tree from making the walk endless.
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

void FolderWalk::count_files(const std::string& folder) { count_in(folder, nullptr); }

void FolderWalk::count_in(const std::string& folder, Chain* up) {
    Listing listing(folder);
    Chain here{};
    if (!listing.is_open() || !listing.identity(here.dev, here.ino)) return;
    if (up != nullptr && up->seen(here.dev, here.ino)) return;
    here.up = up;

    ui_.log_line(ui_.message(msg::kScanning), folder);
    ui_.process_events();

    const std::string base = full_folder_path(folder);
    std::string name;
    unsigned char type = DT_UNKNOWN;
    while (listing.next(name, type)) {
        const std::string path = entry_path(base, name);
        switch (kind_of(path, type)) {
        case EntryKind::Folder: count_in(path, &here); break;
        case EntryKind::File: ++files_number; break;
        case EntryKind::Other: break;
        }
    }
}

void FolderWalk::codedirs(const std::string& source, const std::string& destination, std::string_view password) {
    walk(source, destination, password, true, nullptr);
}

void FolderWalk::decodedirs(const std::string& source, const std::string& destination, std::string_view password) {
    walk(source, destination, password, false, nullptr);
}

void FolderWalk::walk(const std::string& source, const std::string& destination, std::string_view password,
                      bool coding, Chain* up) {
    Listing listing(source);
    Chain here{};
    if (!listing.is_open() || !listing.identity(here.dev, here.ino)) return;
    if (up != nullptr && up->seen(here.dev, here.ino)) return;
    here.up = up;

    ui_.log_line(ui_.message(coding ? msg::kCodingFilesIn : msg::kDecodingFilesIn), source);
    ui_.process_events();

    const std::string base = full_folder_path(source);
    std::string name;
    unsigned char type = DT_UNKNOWN;
    while (listing.next(name, type)) {
        const std::string path = entry_path(base, name);
        switch (kind_of(path, type)) {
        case EntryKind::Folder: {
            // Joined as given: a destination ending in "/" gives "//", which
            // names the same place.
            const std::string sub = destination + "/" + name;
            make_folder(sub);
            walk(path, sub, password, coding, &here);
            break;
        }
        case EntryKind::File: {
            const std::string target = destination + "/" + (coding ? coded_name(name) : decoded_name(name));
            const Outcome outcome = coding ? engine_.codefile(path, target, password)
                                           : engine_.decodefile(path, target, password);
            ui_.bar_step(ProgressBarId::Folder);
            ui_.process_events();
            if (on_file) on_file(path, target, outcome);
            break;
        }
        case EntryKind::Other: break;
        }
    }
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
