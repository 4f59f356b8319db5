// Files as the engine sees them: plain POSIX descriptors wrapped so that
// every handle is closed on every path, errors that carry the system's error
// code and the file's path, and outputs that only appear under their real
// name once they are complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <sys/types.h>

namespace tarnvold {

// An input/output failure.  `code` is the system's error number (errno), or
// kEndOfFile for a read that ran past the end of a file.
class IoError : public std::runtime_error {
public:
    static constexpr int kEndOfFile = -1;
    IoError(std::string path, int code);
    const std::string& path() const { return path_; }
    int code() const { return code_; }
    // The system's description of the error.
    std::string reason() const;

private:
    std::string path_;
    int code_;
};

// The text shown for an error: the full stop rule adds "." to a text whose
// last character comes after "." in character order (a letter or a digit).
std::string with_full_stop(std::string text);

// True when a file (not a folder) exists under the path; links are followed.
bool file_exists(const std::string& path);

// True when both paths name the same file, through links and hard links.
bool same_file(const std::string& a, const std::string& b);

// Size of an existing file, or -1 when it cannot be examined.
std::int64_t file_size_or_minus1(const std::string& path);

class InputFile {
public:
    explicit InputFile(const std::string& path);  // opens read-only, throws IoError
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::int64_t size() const;
    void seek(std::int64_t position);
    // Reads exactly count bytes; a shorter file raises kEndOfFile.
    void read_exact(void* buf, std::size_t count);
    // Reads exactly count bytes and returns the sum of their values without
    // keeping them: the bytes pass through small per-thread buffers that stay
    // in the processor's cache, shared among the workers.
    std::uint64_t read_sum(std::size_t count);
    void close();
    const std::string& path() const { return path_; }

    // Reads shared out in pieces: begin_read() makes the checks read_exact
    // makes before it reads, then read_at() fetches pieces at given offsets
    // from any thread without moving the file position (seek() moves it on
    // afterwards).  read_at returns 0 or the error number (kEndOfFile past
    // the end).
    std::int64_t position() const;
    void begin_read();
    int read_at(void* buf, std::size_t count, std::int64_t offset) const noexcept;

private:
    std::string path_;
    int fd_ = -1;
};

// A per-thread buffer of kScratchSize bytes for pieces of a file, or null
// when memory is short.
inline constexpr std::size_t kScratchSize = 512u << 10;
unsigned char* piece_scratch() noexcept;

// A file written under a hidden name in the destination's folder and moved
// over the destination only by commit(), after its last byte.  When it is
// destroyed without a commit, nothing of it stays behind.
class OutputFile {
public:
    explicit OutputFile(const std::string& destination);  // throws IoError
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write_all(const void* buf, std::size_t count);
    // Writes shared out in pieces, as for InputFile: begin_write() makes
    // write_all's checks, write_at() writes a piece at an offset from any
    // thread (0 or the error number), seek() sets where write_all goes on.
    std::int64_t position() const;
    void begin_write();
    int write_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept;
    void seek(std::int64_t offset);
    // Makes the written bytes the destination; an existing destination is
    // replaced in one step, after the new contents are on disk.
    void commit();
    const std::string& path() const { return destination_; }

private:
    void discard() noexcept;

    std::string destination_;
    std::string folder_;
    std::string temp_name_;  // empty while the file has no name of its own
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace tarnvold

namespace tarnvold {

// A seam for tests: when set, it is asked before every file operation of the
// engine and may make it fail with the returned error number (0 lets it run).
enum class IoOp { OpenRead, Read, Seek, CreateOutput, Write, Sync, Rename, Close };
using IoFaultHook = int (*)(IoOp op, const std::string& path, void* context);
void set_io_fault_hook(IoFaultHook hook, void* context);

}  // namespace tarnvold
