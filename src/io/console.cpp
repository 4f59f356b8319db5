// SPDX-License-Identifier: GPL-3.0-or-later
// What the console does the same way on every system.
#include "io/console.h"

#include <algorithm>

namespace tarnvold {

FirstLine first_line_from(const ReadPiece& read) {
    FirstLine result;
    std::string line;
    bool any = false;
    char buf[4096];
    for (;;) {
        int error = 0;
        const std::ptrdiff_t n = read(buf, sizeof buf, error);
        if (n < 0) {
            result.error = error;
            return result;
        }
        if (n == 0) break;
        any = true;
        const std::string_view got(buf, static_cast<std::size_t>(n));
        const std::size_t end = got.find_first_of("\r\n");
        const std::size_t take = std::min(end, got.size());
        if (line.size() + take > kLongestLine) {
            result.too_long = true;
            return result;
        }
        line.append(got.substr(0, take));
        if (end != std::string_view::npos) break;
    }
    if (any) result.line = std::move(line);
    return result;
}

}  // namespace tarnvold
