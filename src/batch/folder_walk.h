// Coding and decoding whole folder trees: the file count that gives the
// folder progress its range, the walk that hands every file of a tree to the
// engine, and the names the coded and decoded files get.
//
// Folders are listed with opendir/readdir on full paths; the process's
// current directory is never changed.  Entries come in the order the file
// system lists them, depth first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine.h"
#include "user_interface.h"

namespace tarnvold {

// The name of the coded file for a file named `name`: every "." becomes "_",
// then ".cod" is appended ("report.txt" -> "report_txt.cod").
std::string coded_name(std::string_view name);

// The name of the restored file for a coded file named `name`.  Names of
// eight characters or more lose their last four characters, and the fourth
// character from the end of what is left becomes "." ("report_txt.cod" ->
// "report.txt").  Shorter names have no fourth character to replace: one
// ending in ".cod" with something before it loses the ".cod" ("a.cod" ->
// "a"); any other, and any whose result would be "." or "..", gets
// ".decoded" appended ("x.cod" -> "x", ".cod" -> ".cod.decoded").
// Characters are those of UTF-8 when the name is valid UTF-8 ("Grüße.cod"
// -> "G.üße", "éé.cod" -> "éé"); a name that is not counts its bytes.
std::string decoded_name(std::string_view name);

// True when `destination` is the folder `source` or lies anywhere below it,
// comparing the paths with links and "." / ".." resolved.
bool destination_inside_source(const std::string& source, const std::string& destination);
// The text that refuses such a pair.
std::string refusal_inside_source(const std::string& destination);

// The count and the walk over one engine and one user interface.
class FolderWalk {
public:
    FolderWalk(Engine& engine, UserInterface& ui) : engine_(engine), ui_(ui) {}

    // Told what became of every file handed to the file operation.  The
    // window leaves it empty; the command-line tool turns it into its exit
    // status.
    std::function<void(const std::string& source, const std::string& destination, Outcome outcome)> on_file;

    // The running count of count_files.
    std::int64_t files_number = 0;

    // Sets files_number to 0, counts `folder` and returns the count.
    std::int64_t get_files_number(const std::string& folder);
    // Adds the files in `folder` and every folder below it that can be
    // entered to files_number, with one "Scanning..." line per folder.
    void count_files(const std::string& folder);

    // Code (decode) every file below `source` into the same place below
    // `destination`, which must exist; the folders below it are created, or
    // reused when they exist.  A source folder that cannot be entered is
    // passed over without a word.  IoError ends the walk.
    void codedirs(const std::string& source, const std::string& destination, std::string_view password);
    void decodedirs(const std::string& source, const std::string& destination, std::string_view password);

    // The folder progress: counts `source`, gives ProgressBar4 the range
    // 0..count in steps of 1 from position 0 and shows it with Label1.
    // Returns the count, which the command then writes in its count line.
    std::int64_t folder_progress_start(const std::string& source);
    // Hides ProgressBar4 and Label1; the position stays.
    void folder_progress_end();

private:
    struct Chain;
    void count_in(const std::string& folder, Chain* up);
    void walk(const std::string& source, const std::string& destination, std::string_view password,
              bool coding, Chain* up);

    Engine& engine_;
    UserInterface& ui_;
};

}  // namespace tarnvold
