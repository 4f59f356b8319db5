// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_record.h"

#include "io/file_io.h"
#include "io/paths.h"
#include "tarnvold/version.h"

#include <algorithm>
#include <cstring>

namespace tarnvold {
namespace {

static_assert(kProgramVersionMajor < 256 && kProgramVersionMinor < 256, "the record keeps each number in a byte");

void put_text(config_record& r, std::size_t offset, std::string_view text) {
    const std::size_t n = std::min(text.size(), kConfigTextCapacity);
    r.bytes[offset] = static_cast<std::uint8_t>(n);
    std::memcpy(r.bytes.data() + offset + 1, text.data(), n);
}

}  // namespace

bool config_record::signature_valid() const {
    constexpr std::size_t len = sizeof kConfigSignature - 1;
    return bytes[kSignatureOffset] == len &&
           std::memcmp(bytes.data() + kSignatureOffset + 1, kConfigSignature, len) == 0;
}

std::string config_record::lang_path() const {
    const std::size_t n = std::min<std::size_t>(bytes[kLangPathOffset], kConfigTextCapacity);
    return std::string(reinterpret_cast<const char*>(bytes.data()) + kLangPathOffset + 1, n);
}

void config_record::set_lang_path(std::string_view path) { put_text(*this, kLangPathOffset, path); }

config_record config_record::defaults() {
    config_record r;
    put_text(r, kSignatureOffset, kConfigSignature);
    r.bytes[kVersionMajorOffset] = static_cast<std::uint8_t>(kProgramVersionMajor);
    r.bytes[kVersionMinorOffset] = static_cast<std::uint8_t>(kProgramVersionMinor);
    r.bytes[kViewStyleOffset] = 0;
    put_text(r, kLangPathOffset, kEnglishLangFile);
    return r;
}

Configuration::Configuration(Language& language) : language_(language) {}

void Configuration::tell(msg::MessageId message) const {
    if (notice) notice(language_.message(message));
}

void Configuration::read_config(const std::string& path) {
    const std::string native = to_native_path(path);
    if (!file_exists(native)) {
        tell(msg::kCannotFindConfigFile);
        return;
    }
    config_record local;
    {
        // Only read, so a configuration file the user made read-only still works.
        InputFile in(native);
        try {
            in.read_exact(local.bytes.data(), local.bytes.size());
        } catch (const IoError&) {
            tell(msg::kErrorInConfigFile);
            return;
        }
    }
    if (!local.signature_valid()) {
        tell(msg::kNotConfigFile);
        return;
    }
    // The language is loaded from the new record before that record becomes
    // current; it reports its own failures and the record is adopted anyway.
    language_.load_lang_file(language_.lang_file_path(local.lang_path()));
    record = local;
    if (set_config) set_config();
}

void Configuration::write_config(const std::string& path) {
    OutputFile out(to_native_path(path));
    out.write_all(record.bytes.data(), record.bytes.size());
    out.commit();
}

void Configuration::default_config() {
    record = config_record::defaults();
    write_config(kConfigFileName);
}

}  // namespace tarnvold
