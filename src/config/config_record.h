// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration record: the view style and the language file, kept in a
// 45-byte binary file in the current directory.
#pragma once

#include "config/international.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarnvold {

inline constexpr std::size_t kConfigSize = 45;
inline constexpr char kConfigFileName[] = "tarnvold_conf.cfg";
inline constexpr char kConfigSignature[] = "Tarnvold config file";
inline constexpr std::size_t kConfigTextCapacity = 20;

// The 45 bytes exactly as stored:
//   0  signature      length byte + 20 characters ("Tarnvold config file")
//  21  version_major  the program's major version (1)
//  22  version_minor  the program's minor version (5)
//  23  view_style     0 full window, anything else the compact one
//  24  lang_path      length byte + 20 characters (at first kEnglishLangFile)
struct config_record {
    static constexpr std::size_t kSignatureOffset = 0;
    static constexpr std::size_t kVersionMajorOffset = 21;
    static constexpr std::size_t kVersionMinorOffset = 22;
    static constexpr std::size_t kViewStyleOffset = 23;
    static constexpr std::size_t kLangPathOffset = 24;

    std::array<std::uint8_t, kConfigSize> bytes{};  // zero-filled at start

    // Length byte 20 followed by "Tarnvold config file", case included.
    bool signature_valid() const;

    std::uint8_t view_style() const { return bytes[kViewStyleOffset]; }
    void set_view_style(std::uint8_t style) { bytes[kViewStyleOffset] = style; }
    // Any style but 0 selects the compact window (the dialog stores 1).
    bool compact_view() const { return view_style() != 0; }

    // The stored text (a length byte above 20 counts as 20).
    std::string lang_path() const;
    // Stores the first 20 characters; the character bytes past the new
    // length keep what they held.
    void set_lang_path(std::string_view path);

    // The record written to a fresh configuration file.
    static config_record defaults();
};

class Configuration {
public:
    explicit Configuration(Language& language);

    config_record record;  // `config_record`, zero-filled until a read succeeds

    // Shows a text in an OK box with the caption "Tarnvold".
    std::function<void(std::string_view)> notice;
    // Applies the view style; called after every successful read.
    std::function<void()> set_config;

    // Reads and checks the record in `path`.  A valid one has its language
    // loaded from below `start_dir`, becomes current and is applied through
    // `set_config`.  A missing, short or foreign file is reported through
    // `notice` (messages 23, 24, 25) and changes nothing.  A file that exists
    // but cannot be opened throws IoError.
    void read_config(const std::string& path);
    // Replaces `path` with the 45 bytes of `record`, completely or not at
    // all; throws IoError.
    void write_config(const std::string& path);
    // Makes `record` the defaults and writes it to kConfigFileName in the
    // current directory.
    void default_config();

private:
    void tell(msg::MessageId message) const;

    Language& language_;
};

}  // namespace tarnvold
