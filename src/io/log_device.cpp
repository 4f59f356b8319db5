// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/log_device.h"

#include "io/utf8_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace tarnvold {

LogDevice::LogDevice(Sink sink) : sink_(std::move(sink)) {}

void LogDevice::prepare() {
    open_ = false;
    fill_ = 0;
}

void LogDevice::open_for_writing() { open_ = true; }

void LogDevice::write(std::string_view text) { put(text.data(), text.size()); }

void LogDevice::write(std::int64_t value) {
    char digits[24];
    const auto res = std::to_chars(std::begin(digits), std::end(digits), value);
    put(digits, static_cast<std::size_t>(res.ptr - digits));
}

void LogDevice::write_line() {
    put("\n", 1);
    flush(fill_);
}

// A piece is cut off exactly when the buffer becomes full, even in the
// middle of an item, so no line of the pane is longer than the buffer.  A
// UTF-8 character that would straddle the cut goes whole to the next piece;
// whether the bytes there form one is known only once they are all written,
// so until then the buffer holds them past its size.
void LogDevice::put(const char* data, std::size_t n) {
    if (!open_) throw std::logic_error("log device written before it was opened");
    while (n > 0) {
        // Up to a full piece, or the few bytes a straddling character waits for.
        const std::size_t room = (fill_ < kBufferSize ? kBufferSize : buffer_.size()) - fill_;
        const std::size_t take = std::min(n, room);
        std::memcpy(buffer_.data() + fill_, data, take);
        fill_ += take;
        data += take;
        n -= take;
        if (fill_ >= kBufferSize) cut_full_pieces();
    }
}

// The length of the piece to cut from a buffer holding at least
// kBufferSize bytes: kBufferSize, or less when a UTF-8 character straddles
// that point; 0 when that cannot be told until more bytes are written.
std::size_t LogDevice::piece_length() const {
    const auto byte = [this](std::size_t i) { return static_cast<unsigned char>(buffer_[i]); };
    // The start of the character the last byte of a full piece belongs to.
    std::size_t start = kBufferSize - 1;
    while (start > kBufferSize - 4 && (byte(start) & 0xC0) == 0x80) --start;
    const std::string_view held(buffer_.data() + start, fill_ - start);
    if (const std::size_t length = utf8_char_length(held, 0); length != 0)
        return start + length > kBufferSize ? start : kBufferSize;
    // Not a whole character: wait while the bytes held could still become
    // one (the continuation bytes 0x80 stand in for those to come).
    const unsigned char lead = byte(start);
    const std::size_t wanted = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead >= 0xC2 && lead <= 0xF4 && held.size() < wanted) {
        if (held.size() == 1) return 0;
        std::string completed(held);
        completed.resize(wanted, '\x80');
        if (utf8_char_length(completed, 0) == wanted) return 0;
    }
    return kBufferSize;
}

void LogDevice::cut_full_pieces() {
    while (fill_ >= kBufferSize) {
        const std::size_t piece = piece_length();
        if (piece == 0) return;
        flush(piece);
    }
}

// A line takes the piece without its line feeds: the one that ends the
// report, and any an item brought along.
void LogDevice::flush(std::size_t piece) {
    // One string serves every line: a sink copies what it keeps.
    line_.assign(buffer_.data(), piece);
    if (line_.find('\n') != std::string::npos) std::erase(line_, '\n');
    std::memmove(buffer_.data(), buffer_.data() + piece, fill_ - piece);
    fill_ -= piece;
    if (sink_) sink_(line_);
}

}  // namespace tarnvold
