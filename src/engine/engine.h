// SPDX-License-Identifier: GPL-3.0-or-later
// Coding and decoding one file, and the file checksum: the files opened,
// the user asked and told, the bytes left to the codec.
//
// The operations report to the user as they go (log lines, questions,
// notices, progress) through the UserInterface they were given.  They return
// what became of the file, which the window ignores and the command-line tool
// turns into its exit status.  File failures leave them as IoError.
#pragma once

#include "engine/codec.h"
#include "engine/keystream.h"
#include "engine/operation.h"
#include "engine/outcome.h"
#include "engine/password_forms.h"
#include "engine/user_interface.h"

#include "io/file_io.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnvold {

class Folder;
class InputFile;
class OutputFile;
struct Destination;
struct coded_header;

// Where a folder run has a file: the folder it holds open and the name
// there.  Such a file is reached through that folder only, never by its path
// (which is then shown, nothing more).  A link under a source's name is
// followed only with follow_link (a link the walk chose to follow); one under
// a destination's name is refused, not followed.
struct InFolder {
    const Folder* folder = nullptr;  // none: the path is used, links followed
    std::string_view name;
    bool follow_link = false;
};

// Thrown out of an operation that stop_requested ended; like an error, it
// leaves nothing of the output behind.
class OperationStopped : public std::exception {
public:
    const char* what() const noexcept override { return "stopped"; }
};

class Engine {
public:
    explicit Engine(UserInterface& ui) : ui_(ui) {}

    // What the caller knows of a source.  A file a folder listing gave as a
    // regular file is opened at once and examined through its handle; any
    // other source is examined by its name first, since opening a device
    // can have effects of its own.
    enum class SourceKind { Unknown, ListedFile };
    // What the caller knows of a destination: a name that is free in a
    // folder it made itself need not be looked at.  Should a file appear
    // there meanwhile, it is not replaced: the output fails instead.
    // Standard output takes the bytes in order as they are made, and the
    // destination's name only names it.
    enum class DestinationKind { Unknown, FreeName, StandardOutput };

    FileOutcome codefile(const std::string& source, const std::string& destination, std::string_view password,
                         SourceKind kind = SourceKind::Unknown, DestinationKind where = DestinationKind::Unknown,
                         const InFolder& from = {}, const InFolder& to = {});
    FileOutcome decodefile(const std::string& source, const std::string& destination, std::string_view password,
                           SourceKind kind = SourceKind::Unknown, DestinationKind where = DestinationKind::Unknown,
                           const InFolder& from = {}, const InFolder& to = {});
    // codefile or decodefile, as `op` says.
    FileOutcome operate(Operation op, const std::string& source, const std::string& destination,
                        std::string_view password, SourceKind kind = SourceKind::Unknown,
                        DestinationKind where = DestinationKind::Unknown, const InFolder& from = {},
                        const InFolder& to = {});
    // The sum of the byte values of the file at `path`, the checksum a coded
    // file stores, with its log line and bar.
    std::int64_t file_byte_sum(const std::string& path);
    // Checks a password against the checksum stored in a coded file without
    // writing anything: Done when it matches, ChecksumMismatch when it does not.
    FileOutcome test_file(const std::string& source, std::string_view password);

    // While true, decodefile reports a file that is not a coded file in the
    // log only, without its message box.
    bool batch_mode = false;

    // What the passwords given to the operations are.  A password holding
    // letters beyond ASCII is named in the log by its form; decodefile and
    // test_file try its other forms when the one given does not match, each
    // checked against the stored checksum before anything is written.
    PasswordForms password_forms;
    // The form the last operation took a password beyond ASCII in, as its
    // log line named it; 0 for a password of ASCII, of bytes in no known
    // form, or one that matched in no form.
    int matched_form() const { return taken_as_; }

    // Asked about a destination that exists, before anything is logged or
    // asked: true passes the file by untouched, as Outcome::Refused, and
    // leaves telling why to the caller.  The folder walk keeps the outputs
    // of its own run this way.
    std::function<bool(const FileId& existing)> keep_existing;

    // Asked whenever the operation lets pending window messages through:
    // true ends it there with OperationStopped.  Empty: never stopped.
    std::function<bool()> stop_requested;

    SeedGenerator& seeds() { return seeds_; }

    // The identity of the file the last codefile or decodefile wrote (also
    // one whose checksum then failed); nothing when it wrote none.
    std::optional<FileId> last_output() const { return last_output_; }

private:
    // The codec's progress shown on the bars, the checksum's label shown
    // when asked.
    class Steps;
    // Lets pending window messages through, then ends the operation if a
    // stop was asked for meanwhile.
    void pump();
    void stop_if_requested() const;
    void begin_coding_keys(std::string_view password, std::size_t count);

    class Source;
    std::optional<FileOutcome> open_request(Operation op, Source& from, const std::string& destination,
                                            DestinationKind where, const InFolder& in, Destination& to);
    void show_passes(std::int64_t size, int first_caption, int second_caption, bool with_checksum);
    void code_into(InputFile& in, const Destination& to, std::string_view password);
    std::optional<FileOutcome> check_coded(InputFile& in, const coded_header& header, std::int64_t size,
                                           const std::string& source);
    // Decodes into `out`, made here, which the caller commits once it
    // knows the checksum.
    std::uint64_t decode_payload(InputFile& in, const Destination& to, const coded_header& header, std::int64_t size,
                                 std::uint8_t* whole, std::string_view password, std::optional<OutputFile>& out);
    void commit(OutputFile& out);
    void tell_form(std::string_view password, int code_page);
    FileOutcome unmatched(const std::string& source, const std::string& destination, bool existed,
                          std::optional<OutputFile>* out);
    void begin_decoding_keys(const InputFile* f, std::string_view password);
    bool find_form(InputFile& in, const coded_header& header, std::int64_t size, const std::uint8_t* whole,
                   std::string_view password, std::optional<std::string>& matched, int& form);
    void finished(int message, const std::string& source, const std::string& destination);
    std::int64_t checksum_of(InputFile& file);
    std::int64_t begin_checksum_bar(std::int64_t size, bool show_label);
    void show_checksum(std::int64_t size, std::int64_t sum);
    void refuse(const Reason& reason, int aborted_message);

    UserInterface& ui_;
    SeedGenerator seeds_;
    Codec codec_;
    std::optional<FileId> last_output_;
    int taken_as_ = 0;
};

// Why a destination cannot be replaced; Why::None when it can.
Reason destination_problem(const Destination& destination);

}  // namespace tarnvold
