// Coding and decoding one file, and the file checksum.
//
// The operations report to the user as they go (log lines, questions,
// notices, progress) through the UserInterface they were given.  They return
// what became of the file, which the window ignores and the command-line tool
// turns into its exit status.  File failures leave them as IoError.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "keystream.h"
#include "user_interface.h"

namespace tarnvold {

class InputFile;
class OutputFile;

enum class Outcome {
    Done,         // coded, or decoded with a matching checksum
    Declined,     // the user answered No (overwrite, newer version)
    Refused,      // the engine would not do it (same file, too large)
    NotCoded,     // the source is not a coded file
    CrcMismatch,  // decoded, but the checksum differs: probably a wrong password
};

class Engine {
public:
    explicit Engine(UserInterface& ui) : ui_(ui) {}

    Outcome codefile(const std::string& source, const std::string& destination,
                     std::string_view password);
    Outcome decodefile(const std::string& source, const std::string& destination,
                       std::string_view password);
    std::int64_t get_file_crc(const std::string& path);
    // Checks a password against the checksum stored in a coded file without
    // writing anything: Done when it matches, CrcMismatch when it does not.
    Outcome test_file(const std::string& source, std::string_view password);

    // While true, decodefile reports a file that is not a coded file in the
    // log only, without its message box.
    bool batch_mode = false;

    SeedGenerator& seeds() { return seeds_; }
    UserInterface& ui() { return ui_; }

private:
    struct Pass;
    void run_pass(std::uint8_t* buf, std::size_t count, Pass& pass);
    using BothKeys = std::function<void(std::uint8_t*, std::size_t, std::int64_t)>;
    void run_blocks(InputFile& in, OutputFile& out, std::int64_t payload, std::uint8_t* buffer,
                    Pass& first, Pass& second, const BothKeys& both);
    void refuse(const std::string& reason, int aborted_message);

    UserInterface& ui_;
    SeedGenerator seeds_;
};

// Texts of the engine's own refusals; they are not part of the message table.
std::string refusal_same_file(const std::string& path);
std::string refusal_too_large(const std::string& path);

}  // namespace tarnvold
