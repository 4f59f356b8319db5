// SPDX-License-Identifier: GPL-3.0-or-later
// One documentation source: what --help lists, the README, the manual page,
// the help page and the shell completions list too, no more and no less.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

const std::string kCli = TARNVOLD_CLI;
const std::string kSource = TARNVOLD_SOURCE_DIR;

struct Listed {
    std::set<std::string> commands, options;
};

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-'; }

// The options a text names: "--long-name" and "-x" standing on their own.
std::set<std::string> options_in(const std::string& text) {
    std::set<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '-' || (i > 0 && word_char(text[i - 1]))) continue;
        std::size_t end = i + 1;
        if (end < text.size() && text[end] == '-') ++end;
        const std::size_t name = end;
        while (end < text.size() && word_char(text[end])) ++end;
        const bool is_long = name == i + 2;
        if (end == name || !std::isalpha(static_cast<unsigned char>(text[name]))) continue;
        if (is_long || end == name + 1) found.insert(text.substr(i, end - i));
        i = end;
    }
    return found;
}

// The commands a text names: the words right after "tarnvold-cli ".
std::set<std::string> commands_in(const std::string& text) {
    std::set<std::string> found;
    const std::string program = "tarnvold-cli";
    for (auto at = text.find(program); at != std::string::npos; at = text.find(program, at + 1)) {
        std::size_t i = at + program.size();
        if (i >= text.size() || (text[i] != ' ' && text[i] != '\t')) continue;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        std::size_t end = i;
        while (end < text.size() && (std::islower(static_cast<unsigned char>(text[end])) || text[end] == '-')) ++end;
        if (end > i && text[i] != '-') found.insert(text.substr(i, end - i));
    }
    return found;
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The part of a text from `begin` up to `end` (or its end).
std::string between(const std::string& text, const std::string& begin, const std::string& end) {
    const auto from = text.find(begin);
    if (from == std::string::npos) return {};
    return text.substr(from, text.find(end, from + begin.size()) - from);
}

std::set<std::string> words_in(const std::string& text) {
    std::set<std::string> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        words.insert(text.substr(at, end - at));
        at = end;
    }
    return words;
}

Listed listed_in(const std::string& text) { return {commands_in(text), options_in(text)}; }

}  // namespace

TEST(CliDocs, EveryDocumentListsTheCommandsAndOptionsOfHelp) {
    const auto help = run_process({kCli, "--help"});
    ASSERT_EQ(help.status, 0);
    const Listed reference = listed_in(help.out);
    // What the tool takes must be listed: an option it takes but --help
    // leaves out would be missed by the comparisons below.
    EXPECT_EQ(reference.commands, (std::set<std::string>{"code", "decode", "test", "code-dir", "decode-dir"}));
    auto taken = [](const std::string& option) {
        return run_process({kCli, option, "test"}).err.find("unknown option") == std::string::npos;
    };
    for (const auto& option : reference.options) EXPECT_TRUE(taken(option)) << option;
    EXPECT_FALSE(taken("--no-such-option"));

    std::string man = read_file(kSource + "/packaging/tarnvold-cli.1.in");
    for (const char* font : {"\\fB", "\\fI", "\\fR", "\\fP"}) man = replace_all(man, font, "");
    man = replace_all(man, "\\-", "-");

    // Tags become a mark that is not a blank, so "<tt>tarnvold-cli</tt> codes"
    // names no command.
    std::string page;
    bool in_tag = false;
    for (char c : read_file(kSource + "/help/cli.htm")) {
        if (c == '<') in_tag = true;
        if (!in_tag) page += c;
        if (c == '>') {
            in_tag = false;
            page += '\x01';
        }
    }
    page = replace_all(replace_all(replace_all(page, "&gt;", ">"), "&lt;", "<"), "&amp;", "&");

    const std::string bash = read_file(kSource + "/packaging/tarnvold-cli.bash");
    const std::string zsh = read_file(kSource + "/packaging/_tarnvold-cli");
    Listed bash_listed;
    for (const auto& word : words_in(between(bash, "local commands=\"", "\"\n").substr(16)))
        bash_listed.commands.insert(word);
    bash_listed.options = options_in(between(bash, "local options=", "\n"));
    Listed zsh_listed;
    const std::string zsh_commands = between(zsh, "commands=(", ")\n");
    for (auto at = zsh_commands.find("\n  '"); at != std::string::npos; at = zsh_commands.find("\n  '", at + 1))
        zsh_listed.commands.insert(zsh_commands.substr(at + 4, zsh_commands.find(':', at) - at - 4));
    zsh_listed.options = options_in(between(zsh, "options=(", ")\n\n"));

    const std::pair<const char*, Listed> documents[] = {
        {"README.md", listed_in(between(read_file(kSource + "/README.md"), "## tarnvold-cli\n", "\n## "))},
        {"packaging/tarnvold-cli.1.in", listed_in(man)},
        {"help/cli.htm", listed_in(page)},
        {"packaging/tarnvold-cli.bash", bash_listed},
        {"packaging/_tarnvold-cli", zsh_listed},
    };
    for (const auto& [name, listed] : documents) {
        EXPECT_EQ(listed.commands, reference.commands) << name;
        EXPECT_EQ(listed.options, reference.options) << name;
    }
}

// The README's example, run as written in a folder holding what it names.
TEST(CliDocs, TheReadmeExampleRunsAsWritten) {
    if (!fs::exists("/bin/bash")) GTEST_SKIP() << "no bash";
    const std::string section = between(read_file(kSource + "/README.md"), "## tarnvold-cli\n", "\n## ");
    const std::string example = between(between(section, "Example", "\n```\n"), "```sh\n", "\n```");
    ASSERT_FALSE(example.empty());
    TempDir dir;
    write_file(dir.file("report.txt"), "report");
    write_file(dir.file("notes.txt"), "notes");
    fs::create_directories(dir.file("documents/old"));
    write_file(dir.file("documents/old/letter.txt"), "letter");
    const std::string path = fs::path(kCli).parent_path().string() + ":" + std::getenv("PATH");
    const auto r = run_process({"/usr/bin/env", "PATH=" + path, "/bin/bash", "-e", "-c", example.substr(6)}, {},
                               dir.path().string());
    EXPECT_EQ(r.status, 0) << example << "\n" << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "coded/report_txt.cod: Password matches the stored checksum\n");
    EXPECT_EQ(read_file(dir.file("restored/report.txt")), "report");
    for (const char* made : {"report_txt.cod", "coded/notes_txt.cod", "coded-docs/old/letter_txt.cod"})
        EXPECT_TRUE(fs::exists(dir.file(made))) << made;
    EXPECT_EQ(fs::status(dir.file("pw.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(CliDocs, BashCompletesFoldersOnlyForTheFolderCommands) {
    if (!fs::exists("/bin/bash")) GTEST_SKIP() << "no bash";
    TempDir dir;
    fs::create_directories(dir.file("folder"));
    write_file(dir.file("file"), "x");
    // Completes the last word of `line` as bash would, with and without the
    // bash-completion helpers; "=" is a word of its own, as bash splits it.
    auto complete = [&](const std::string& line, bool helpers) {
        const std::string script =
            std::string(helpers ? "[ -r /usr/share/bash-completion/bash_completion ] || exit 3; "
                                  ". /usr/share/bash-completion/bash_completion; "
                                : "") +
            ". \"$0\"; COMP_LINE=\"$1\"; COMP_POINT=${#1}; read -ra COMP_WORDS <<< \"${1//=/ = }\"; "
            "[[ $1 == *' ' ]] && COMP_WORDS+=(''); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
            "_tarnvold_cli; printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
        return run_process({"/bin/bash", "-c", script, kSource + "/packaging/tarnvold-cli.bash", line}, {},
                           dir.path().string());
    };
    for (bool helpers : {false, true}) {
        if (helpers && complete("tarnvold-cli ", true).status == 3) {
            std::puts("bash-completion is not installed: its helpers are not tried");
            continue;
        }
        EXPECT_EQ(complete("tarnvold-cli code-d", helpers).out, "code-dir\n");
        EXPECT_EQ(complete("tarnvold-cli -q --pass", helpers).out, "--password-encoding\n--password-file\n");
        EXPECT_EQ(complete("tarnvold-cli -y code-dir ", helpers).out, "folder\n");
        EXPECT_EQ(complete("tarnvold-cli decode-dir folder ", helpers).out, "folder\n");
        EXPECT_EQ(complete("tarnvold-cli test ", helpers).out, "file\nfolder\n");
        EXPECT_EQ(complete("tarnvold-cli --password-file ", helpers).out, "file\nfolder\n");
        // Before the command, in its one-word form, and after "--".
        EXPECT_EQ(complete("tarnvold-cli --password-file=fi", helpers).out, "file\n");
        EXPECT_EQ(complete("tarnvold-cli --password-file=fi code-d", helpers).out, "code-dir\n");
        EXPECT_EQ(complete("tarnvold-cli code -- -", helpers).out, "\n");  // no options
        EXPECT_EQ(complete("tarnvold-cli -- code-dir ", helpers).out, "folder\n");
    }
}
