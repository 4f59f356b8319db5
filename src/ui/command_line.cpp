// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tarnvold::ui {

namespace {

// The toolkit's options, as its application classes, its X11 screen and
// its style take them out of the command line.
constexpr std::array<std::string_view, 16> kToolkitWithValue = {"platform",
                                                                "platformpluginpath",
                                                                "platformtheme",
                                                                "plugin",
                                                                "qwindowgeometry",
                                                                "geometry",
                                                                "qwindowtitle",
                                                                "title",
                                                                "qwindowicon",
                                                                "icon",
                                                                "session",
                                                                "style",
                                                                "stylesheet",
                                                                "display",
                                                                "name",
                                                                "visual"};
constexpr std::array<std::string_view, 7> kToolkitAlone = {"reverse", "widgetcount", "testability",  "nograb",
                                                           "dograb",  "sync",        "qmljsdebugger"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

const char kUsage[] =
    "Usage: tarnvold [OPTION]... [FILE-OR-FOLDER]\n"
    "Codes files with a password into the Tarnvold coded-file format and decodes\n"
    "them, in a window.  With FILE-OR-FOLDER, the folder tree opens on that folder,\n"
    "or on the file's folder with the file selected.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -V, --version  print the version and exit\n"
    "  --             end of the options: a path may start with '-'\n"
    "\n"
    "The program keeps tarnvold_conf.cfg and its lang folder in the folder it\n"
    "starts in; tarnvold-launcher starts it in $XDG_DATA_HOME/tarnvold.  Qt's own\n"
    "options (-platform, -style, ...) are taken as well.\n";

CommandLine read_command_line(const std::vector<std::string>& args) {
    CommandLine result;
    std::size_t paths = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--") {
            paths += args.size() - i - 1;
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            ++paths;
            continue;
        }
        if (arg == "-h" || arg == "--help") return {CommandLine::Action::Help, {}};
        if (arg == "-V" || arg == "--version") return {CommandLine::Action::Version, {}};
        // The toolkit reads "--style" as "-style", and some as "-style=VALUE".
        std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
        const auto equals = name.find('=');
        const bool inline_value = equals != std::string_view::npos;
        name = name.substr(0, equals);
        if (listed(kToolkitWithValue, name)) {
            if (!inline_value) ++i;
            continue;
        }
        if (listed(kToolkitAlone, name)) continue;
        return {CommandLine::Action::UnknownOption, std::string(arg)};
    }
    if (paths > 1) result.action = CommandLine::Action::TooManyPaths;
    return result;
}

std::vector<std::string> paths_of(const std::vector<std::string>& remaining) {
    std::vector<std::string> paths;
    bool ended = false;
    for (const std::string& arg : remaining) {
        if (!ended && arg == "--") {
            ended = true;
        } else if (ended || arg.size() < 2 || arg[0] != '-') {
            paths.push_back(arg);
        }
    }
    return paths;
}

}  // namespace tarnvold::ui
