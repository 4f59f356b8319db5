// SPDX-License-Identifier: GPL-3.0-or-later
// The rules every run over several files keeps, in the window and in
// tarnvold-cli alike: the names its outputs get, the folders that may not
// serve together, and that no output of a run replaces another one of it.
#pragma once

#include "engine/engine.h"
#include "engine/operation.h"
#include "engine/user_interface.h"
#include "io/file_io.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tarnvold {

// The name of the coded file for a file named `name`: every "." becomes "_",
// then ".cod" is appended ("report.txt" -> "report_txt.cod").
std::string coded_name(std::string_view name);

// The name of the restored file for a coded file named `name`: the name
// without its ".cod" (in any letter case), where a "_" fourth from the end
// turns back into the "." of a three-character extension
// ("report_txt.cod" -> "report.txt", "README.cod" -> "README",
// "archive_tar_gz.cod" -> "archive_tar_gz").  Any other name, and one whose
// result would be empty, "." or "..", gets ".decoded" appended ("ab" ->
// "ab.decoded", ".cod" -> ".cod.decoded").  Characters are those of UTF-8
// when the name is valid UTF-8; a name that is not counts its bytes.
std::string decoded_name(std::string_view name);

// The name a folder run gives the output of the file named `name`.
std::string output_name(Operation op, std::string_view name);

// How a folder run's two folders lie, told by the folders' identities (not
// their paths): the destination is the source or lies below it, or the
// source lies below the destination.  Either way the run would write into
// folders it is reading, and is refused.  None also when either folder
// cannot be opened: the run tells that itself.
enum class Overlap { None, DestinationInsideSource, SourceInsideDestination };
Overlap folders_overlap(const std::string& source, const std::string& destination);
// The refusal for an overlap other than None, as a value and as its text.
Reason overlap_reason(Overlap overlap, const std::string& source, const std::string& destination);
std::string overlap_refusal(Overlap overlap, const std::string& source, const std::string& destination);

// The names a walk gave in a destination folder it made itself: every name
// there is one of them, so any other is free and need not be looked at.
// Compared without case (for file systems that ignore it), and only while
// all are ASCII.
class GivenNames {
public:
    explicit GivenNames(bool known) : known_(known) {}
    // True when `name` is known to be free; it is given from now on.
    bool give(const std::string& name);

private:
    std::unordered_set<std::string> given_;
    bool known_;
};

struct FileIdHash {
    std::size_t operator()(const FileId& id) const noexcept {
        // Folded, so that a 32-bit size_t keeps the high half too.
        const std::uint64_t h = id.index * 31 + id.volume;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};

// The files a run has written, by identity: -> the source each came from.
using RunOutputs = std::unordered_map<FileId, std::string, FileIdHash>;

// Why the engine kept a destination for a run (Engine::keep_existing): an
// output the run wrote already (Why::OutputWrittenAlready) or a source of
// the run (Why::DestinationIsSource), `earlier` naming the source it is
// or came from; Why::None when it kept nothing.
struct KeptOutput {
    Why why = Why::None;
    std::string earlier;
};

// Settles one file of a run after its operation: a file whose destination
// was kept is refused, with its log line, in `outcome`; otherwise the
// output the engine wrote goes into `outputs` as made from `source`.
void settle_output(Engine& engine, UserInterface& ui, const KeptOutput& kept, RunOutputs& outputs, FileOutcome& outcome,
                   const std::string& source, const std::string& target);

}  // namespace tarnvold
