// SPDX-License-Identifier: GPL-3.0-or-later
// The log device: the one text output for reports.  Items are collected in a
// 128-byte buffer; every time the buffer fills, and at every line end, its
// contents become one new last line of the log pane.  A UTF-8 character
// that would be split where the buffer fills starts the next line instead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarnvold {

class LogDevice {
public:
    static constexpr std::size_t kBufferSize = 128;
    using Sink = std::function<void(const std::string&)>;

    // `sink` appends one line to the pane.
    explicit LogDevice(Sink sink);

    // Closed and empty; writing needs open_for_writing() afterwards.
    void prepare();
    void open_for_writing();
    bool is_open() const { return open_; }

    // Appends an item to the current line.  Writing to a device that is not
    // open throws std::logic_error.
    void write(std::string_view text);
    void write(std::int64_t value);
    // Ends the current line.
    void write_line();

private:
    void put(const char* data, std::size_t n);
    std::size_t piece_length() const;
    void cut_full_pieces();
    // The first `piece` bytes become a line; the rest moves to the front.
    void flush(std::size_t piece);

    Sink sink_;
    std::string line_;  // the line handed to the sink
    // Past kBufferSize only the bytes of a character that straddles it.
    std::array<char, kBufferSize + 3> buffer_{};
    std::size_t fill_ = 0;
    bool open_ = false;
};

}  // namespace tarnvold
