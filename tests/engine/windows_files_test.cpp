// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows file layer under the engine.
#include <gtest/gtest.h>

TEST(WindowsFiles, Placeholder) {}
