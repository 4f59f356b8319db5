// SPDX-License-Identifier: GPL-3.0-or-later
// Paths as the folder walk and tarnvold-cli take them apart and compare
// them, on each system in its own way.
#include "io/paths.h"

#include "io/file_io.h"

#include <gtest/gtest.h>

namespace tarnvold {
namespace {

TEST(Paths, NamesFullPathsAndContainment) {
    EXPECT_EQ(last_name("a/b/"), "b");
    EXPECT_EQ(last_name("file.txt"), "file.txt");
    EXPECT_TRUE(path_at_or_below(full_folder_path("x/./y//"), full_folder_path("x")));
    EXPECT_FALSE(path_at_or_below(full_folder_path("xy"), full_folder_path("x")));
#ifdef _WIN32
    // One separator, the system's, in every path made.
    EXPECT_EQ(entry_path(full_folder_path("x"), "n"), full_folder_path("x") + "\\n");
    EXPECT_EQ(joined_path("D:\\", "n"), "D:\\n");
    EXPECT_EQ(joined_path("a/out/", "n"), "a\\out\\n");
    // Either separator, drive letters, shares, and letters in either case.
    EXPECT_EQ(last_name("C:\\Letters\\to.txt"), "to.txt");
    EXPECT_EQ(last_name("C:to.txt"), "to.txt");
    EXPECT_EQ(full_folder_path("C:\\a\\.\\b\\"), "C:\\a\\b");
    EXPECT_EQ(full_folder_path("C:\\"), "C:\\");
    EXPECT_EQ(entry_path("C:\\", "n"), "C:\\n");
    EXPECT_TRUE(path_at_or_below("C:\\Data\\sub", "c:/data"));
    EXPECT_TRUE(path_at_or_below("D:\\x", "D:\\"));
    EXPECT_FALSE(path_at_or_below("C:\\Database", "C:\\Data"));
    EXPECT_TRUE(path_at_or_below("\\\\server\\share\\x", "\\\\SERVER\\Share"));
    EXPECT_EQ(full_folder_path("x").substr(0, current_directory().size()), current_directory());
    // Up to a drive's or a share's root, which is its own parent.
    EXPECT_EQ(parent_folder("C:/a/b/"), "C:/a");
    EXPECT_EQ(parent_folder("C:\\a"), "C:\\");
    EXPECT_EQ(parent_folder("C:/"), "C:/");
    EXPECT_EQ(parent_folder("\\\\server\\share\\x"), "\\\\server\\share");
    EXPECT_EQ(parent_folder("//server/share/"), "//server/share");
#else
    EXPECT_EQ(entry_path(full_folder_path("x"), "n"), full_folder_path("x") + "/n");
    EXPECT_EQ(joined_path("out/", "n"), "out//n");
    EXPECT_EQ(full_folder_path("/a/./b//"), "/a/b");
    EXPECT_EQ(full_folder_path("/"), "/");
    EXPECT_EQ(entry_path("/", "n"), "/n");
    EXPECT_TRUE(path_at_or_below("/a/b", "/"));
    EXPECT_FALSE(path_at_or_below("/A/b", "/a"));
    EXPECT_EQ(full_folder_path("x"), current_directory() + "/x");
    EXPECT_EQ(parent_folder("/a/b/"), "/a");
    EXPECT_EQ(parent_folder("/a"), "/");
    EXPECT_EQ(parent_folder("/"), "/");
#endif
}

TEST(Paths, NamesTheSystemCanHoldAndTheirLength) {
    std::string cyrillic;
    for (int i = 0; i < 200; ++i) cyrillic += "\u0434";
    const char* devices[] = {"CON", "nul.txt", "Com1.log", "LPT9", "aux .tar.gz"};
    const char* unholdable[] = {"trail.", "space ", "a:b", "a?b", "tab\tname"};
    for (const char* name : {"CONSOLE", "com10", "com0.txt", "lpt", "nul_txt.cod", ".hidden", "a.b c"})
        EXPECT_EQ(name_not_allowed(name), IoKind::None) << name;
#ifdef _WIN32
    // UTF-16 units: two for a character beyond the first 65,536.
    EXPECT_EQ(name_length(cyrillic + ".cod"), 204u);
    EXPECT_EQ(name_length("\U0001D11E"), 2u);
    for (const char* name : devices) EXPECT_EQ(name_not_allowed(name), IoKind::DeviceName) << name;
    for (const char* name : unholdable) EXPECT_EQ(name_not_allowed(name), IoKind::NameNotAllowed) << name;
#else
    EXPECT_EQ(name_length(cyrillic + ".cod"), 404u);
    for (const char* name : devices) EXPECT_EQ(name_not_allowed(name), IoKind::None) << name;
    for (const char* name : unholdable) EXPECT_EQ(name_not_allowed(name), IoKind::None) << name;
#endif
}

}  // namespace
}  // namespace tarnvold
