// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a configuration record made of arbitrary bytes.
//
// A short or foreign file is reported and changes nothing; a valid record
// is adopted byte for byte, applied once, and has its language loaded or
// reported; whatever was adopted is written back unchanged.
#include "fuzz_support.h"

#include "config/config_record.h"
#include "config/international.h"
#include "io/file_io.h"
#include "io/paths.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace tarnvold;

// The start folder, with a few language files the record may name:
// english.tvl (the built-in texts), other.tvl (56 lines "other 1" ...) and
// short.tvl (too short).
std::string prepare_start_dir() {
    const fuzz::ScratchDir& dir = fuzz::ScratchDir::get();
    const std::string lang = dir.file("lang");
    std::filesystem::create_directories(lang);
    write_lang_file(lang + "/english.tvl", builtin_english());
    LangTable other;
    for (std::size_t i = 0; i < other.size(); ++i) other[i] = "other " + std::to_string(i + 1);
    write_lang_file(lang + "/other.tvl", other);
    const std::string short_text = "one\r\ntwo\r\n";
    fuzz::write_file(lang + "/short.tvl", reinterpret_cast<const std::uint8_t*>(short_text.data()), short_text.size());
    return dir.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string start_dir = prepare_start_dir();
    const std::string path = start_dir + "/" + kConfigFileName;
    fuzz::write_file(path, data, size);

    Language language;
    language.start_dir = start_dir;
    language.fill_english_table();
    std::vector<std::string> told;
    language.notice = [&](std::string_view text) { told.emplace_back(text); };
    Configuration configuration(language);
    configuration.notice = [&](std::string_view text) { told.emplace_back(text); };
    int applied = 0;
    configuration.set_config = [&] { ++applied; };
    const config_record before = configuration.record;

    bool threw = false;
    try {
        configuration.read_config(path);
    } catch (const IoError&) {
        threw = true;
    }

    config_record given;
    std::memcpy(given.bytes.data(), data, size < kConfigSize ? size : kConfigSize);
    const bool valid = size >= kConfigSize && given.signature_valid();
    if (!valid || threw) {
        FUZZ_CHECK(configuration.record.bytes == before.bytes && applied == 0);
        FUZZ_CHECK(language.lang_table() == builtin_english());
        if (!threw) {
            FUZZ_CHECK(told.size() == 1);
            FUZZ_CHECK(told[0] == builtin_english()[size < kConfigSize ? 23 : 24], told[0]);
        }
        return 0;
    }

    FUZZ_CHECK(configuration.record.bytes == given.bytes && applied == 1);
    const std::string lang_path = configuration.record.lang_path();
    FUZZ_CHECK(lang_path.size() <= kConfigTextCapacity);
    const std::string lang_file = join_native(start_dir, lang_path);
    if (told.empty()) {
        // Loaded: the file is there, and the texts are the ones it holds.
        FUZZ_CHECK(file_exists(lang_file), lang_file);
        if (lang_file == start_dir + "/lang/other.tvl") FUZZ_CHECK(language.message(56) == "other 56");
    } else {
        FUZZ_CHECK(told.size() == 1);
        FUZZ_CHECK(told[0] == kLangFileMissing || told[0] == kLangFileBad, told[0]);
        FUZZ_CHECK((told[0] == kLangFileMissing) == !file_exists(lang_file), lang_file);
        FUZZ_CHECK(language.lang_table() == builtin_english());
    }

    // The adopted record goes back to disk exactly as it was read.
    const std::string copy = start_dir + "/copy.cfg";
    configuration.write_config(copy);
    const std::vector<std::uint8_t> written = fuzz::read_file(copy);
    FUZZ_CHECK(written.size() == kConfigSize && std::memcmp(written.data(), given.bytes.data(), kConfigSize) == 0);
    return 0;
}
