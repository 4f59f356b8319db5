// SPDX-License-Identifier: GPL-3.0-or-later
// Paths as the folder walk and tarnvold-cli take them apart and compare
// them, on each system in its own way.
#include "io/paths.h"

#include <gtest/gtest.h>

namespace tarnvold {
namespace {

TEST(Paths, NamesFullPathsAndContainment) {
    EXPECT_EQ(last_name("a/b/"), "b");
    EXPECT_EQ(last_name("file.txt"), "file.txt");
    EXPECT_TRUE(path_at_or_below(full_folder_path("x/./y//"), full_folder_path("x")));
    EXPECT_FALSE(path_at_or_below(full_folder_path("xy"), full_folder_path("x")));
    EXPECT_EQ(entry_path(full_folder_path("x"), "n"), full_folder_path("x") + "/n");
#ifdef _WIN32
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

}  // namespace
}  // namespace tarnvold
