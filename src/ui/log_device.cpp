#include "log_device.h"

#include <charconv>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace tarnvold {

LogDevice::LogDevice(Sink sink) : sink_(std::move(sink)) {}

void LogDevice::set_sink(Sink sink) { sink_ = std::move(sink); }

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
    flush();
}

// The buffer is flushed exactly when it becomes full, even in the middle of
// an item, so no line of the pane is longer than the buffer.
void LogDevice::put(const char* data, std::size_t n) {
    if (!open_) throw std::logic_error("log device written before it was opened");
    for (;;) {
        const std::size_t free = kBufferSize - fill_;
        if (n < free) {
            if (n > 0) std::memcpy(buffer_.data() + fill_, data, n);
            fill_ += n;
            return;
        }
        std::memcpy(buffer_.data() + fill_, data, free);
        fill_ = kBufferSize;
        flush();
        data += free;
        n -= free;
    }
}

void LogDevice::flush() {
    std::string line;
    line.reserve(fill_);
    for (std::size_t i = 0; i < fill_; ++i)
        if (buffer_[i] != '\n') line.push_back(buffer_[i]);
    fill_ = 0;
    if (sink_) sink_(line);
}

}  // namespace tarnvold
