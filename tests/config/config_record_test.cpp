// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_record.h"

#include "config_fixture.h"

#include "io/file_io.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarnvold::testing {
namespace {

const std::string kDefaultBytes("\x14Tarnvold config file\x01\x05\x00\x10lang\\english.tvl\0\0\0\0", 45);

class Config : public ConfigTest {
protected:
    Config() : config(language) {
        config.notice = [this](std::string_view text) { notices.emplace_back(text); };
        config.set_config = [this] { ++applied; };
        language.fill_english_table();
    }
    // The default record with one byte changed.
    static std::string with_byte(std::size_t at, char value) {
        std::string bytes = kDefaultBytes;
        bytes[at] = value;
        return bytes;
    }
    void write_german() {
        make_lang_folder();
        write_lang_file("lang/german.tvl", [] {
            LangTable t{};
            table_entry(t, msg::kFile) = "Datei";
            return t;
        }());
    }

    Configuration config;
    int applied = 0;
};

#ifndef _WIN32
// Runs `body` with the permissions of an ordinary user, even as root.
template <class F>
void as_ordinary_user(const std::string& dir, F body) {
    ::chmod(dir.c_str(), 0755);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    struct Back {
        bool root;
        ~Back() {
            if (root && ::seteuid(0) != 0) std::abort();
        }
    } back{root};
    body();
}
#endif

TEST_F(Config, DefaultFileIsExactAndReadsBack) {
    write_german();  // start_dir holds the languages, not the current directory
    std::filesystem::create_directory("work");
    ScopedCwd in_work(dir.path() / "work");
    config.default_config();
    EXPECT_EQ(read_file("tarnvold_conf.cfg"), kDefaultBytes);
    EXPECT_EQ(entry_count("."), 1u);

    config.record.set_lang_path("lang\\german.tvl");
    config.write_config(kConfigFileName);
    config.record = config_record{};
    config.set_config = [this] {
        ++applied;
        EXPECT_EQ(language.message(msg::kFile), "Datei");  // language loaded before the view is applied
    };
    config.read_config(kConfigFileName);
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(config.record.signature_valid());
    EXPECT_EQ(config.record.lang_path(), "lang\\german.tvl");
}

TEST_F(Config, InvalidFilesAreReportedWithTheCurrentTexts) {
    LangTable t = builtin_english();
    table_entry(t, msg::kNotConfigFile) = "Keine Konfiguration";
    language.apply_lang_table(t);
    config.read_config(kConfigFileName);  // missing
    write_file(kConfigFileName, kDefaultBytes.substr(0, 44));
    config.read_config(kConfigFileName);  // short
    for (const auto& bad : {with_byte(1, 't'), with_byte(0, 19), with_byte(0, 21)}) {
        write_file(kConfigFileName, bad);
        config.read_config(kConfigFileName);
    }
    EXPECT_EQ(notices, (std::vector<std::string>{"Can not find configuration file", "Error in configuration file",
                                                 "Keine Konfiguration", "Keine Konfiguration", "Keine Konfiguration"}));
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(config.record.bytes, config_record{}.bytes);
    EXPECT_EQ(language.lang_table(), t);
}

TEST_F(Config, OddButValidRecordsAreAdopted) {
    write_german();
    write_file(kConfigFileName, with_byte(23, 2) + "extra bytes");
    config.read_config(kConfigFileName);
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(config.record.compact_view());
    EXPECT_EQ(notices, std::vector<std::string>{"Can not find language file"});  // english.tvl not there
    EXPECT_EQ(language.message(1), "File");

    write_file(kConfigFileName, with_byte(24, '\xff'));  // length byte past the field
    config.read_config(kConfigFileName);
    EXPECT_EQ(applied, 2);
    EXPECT_EQ(config.record.lang_path(), std::string("lang\\english.tvl\0\0\0\0", 20));
}

TEST_F(Config, ShorterLangPathKeepsTheOldCharacters) {
    config_record r = config_record::defaults();
    r.set_lang_path("lang\\de.tvl");
    EXPECT_EQ(r.lang_path(), "lang\\de.tvl");
    EXPECT_EQ(std::string(r.bytes.begin() + 25, r.bytes.end()), std::string("lang\\de.tvlh.tvl\0\0\0\0", 20));
    r.set_lang_path("lang\\abcdefghijkl.tvl");
    EXPECT_EQ(r.lang_path(), "lang\\abcdefghijkl.tv");
    EXPECT_EQ(r.bytes[24], 20);
}

TEST_F(Config, ReadOnlyFileIsReadAndUnopenableFileThrows) {
#ifdef _WIN32
    GTEST_SKIP() << "needs chmod and another user's permissions, which Windows does not have";
#else
    write_file(kConfigFileName, kDefaultBytes);
    ::chmod(kConfigFileName, 0444);
    as_ordinary_user(dir.path().string(), [&] { config.read_config(kConfigFileName); });
    EXPECT_EQ(applied, 1);

    ::chmod(kConfigFileName, 0);
    as_ordinary_user(dir.path().string(), [&] { EXPECT_THROW(config.read_config(kConfigFileName), IoError); });
    EXPECT_THROW(config.write_config("no/such/folder.cfg"), IoError);
#endif
}

}  // namespace
}  // namespace tarnvold::testing
