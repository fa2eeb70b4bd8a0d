// The settings file, the table of MAME versions and the network settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/net.h"
#include "core/settings.h"
#include "core/versions.h"
#include "unit.h"

namespace {

TEST(SettingsFile, TheImageByteForByte) {
    std::string patterned(100, '\0');  // each byte tells where it came from
    for (std::size_t i = 0; i < patterned.size(); ++i) patterned[i] = static_cast<char>(0xA0 + i);
    // sound 1, sample rate 1, hardware stretching 1, automatic frameskip 1; all else 0.
    const std::string defaults = std::string("\1\0\0\0\1\0\0\0\1\0\0\0\0\0\0\0\1\0\0\0", 20) + std::string(24, '\0');
    struct Case { const char* name; std::string file, saved; } cases[] = {
        {"no file: the defaults", "", defaults},
        {"every byte, gaps and reserved field too, is kept", patterned.substr(0, 44), patterned.substr(0, 44)},
        {"a short file replaces only its leading bytes", patterned.substr(0, 10), patterned.substr(0, 10) + defaults.substr(10)},
        {"a long file gives only its first 44 bytes", patterned, patterned.substr(0, 44)},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        std::memset(&settings, 0x5A, sizeof settings);  // no stale value may pass for a default
        set_default_settings();
        std::memset(settings.gap_6, 0, 2), std::memset(settings.gap_22, 0, 2);
        if (!c.file.empty()) write_file(SETTINGS_FILE, c.file);
        load_settings();
        save_settings();
        EXPECT_EQ(read_file(SETTINGS_FILE), c.saved) << c.name;
    }
    for (std::uint32_t flag : {2u, 0xFFFFFFFFu}) EXPECT_EQ((toggle_flag(flag), flag), 1u) << "a flag not 1 toggles to 1";
}

// Reads `text` as versions.ini into an empty table: "display,executable,version;"
// per entry as each is listed, which is when it must be complete.
std::string read_versions_text(const std::string& text) {
    std::memset(mame_versions, 0, sizeof mame_versions);
    mame_version_count = 0;
    std::string listed;
    std::FILE* in = text_stream(text);
    const int taken = read_versions(in, [](const MameVersion& v, void* out) {
        *static_cast<std::string*>(out) += std::string(v.display_name) + "," + v.executable + "," + v.version_name + ";";
    }, &listed);
    std::fclose(in);
    EXPECT_TRUE(taken == mame_version_count && taken == std::count(listed.begin(), listed.end(), ';')) << listed;
    return listed;
}

TEST(VersionsFile, EntriesOfFourLines) {
    std::string many, hundred;
    for (int i = 0; i < 150; ++i) {
        const std::string n = std::to_string(i);
        many += "V" + n + "\nexe\n" + n + "\nx\n";
        if (i < MAX_MAME_VERSIONS) hundred += "V" + n + ",exe," + n + ";";
    }
    struct Case { const char* name; std::string text, entries; } cases[] = {
        {"two entries", "MAME 0.36\nmame036\n0.36\nWin32\nMAME 0.78\nmame078\n0.78\nWin32\n",
         "MAME 0.36,mame036,0.36;MAME 0.78,mame078,0.78;"},
        {"blank lines and leading blanks are skipped, but not on the first line",
         "  First \n\n\t exe1\n   0.1\nx\n\n\n  Second\n exe2\n0.2\nx", "  First ,exe1,0.1;Second,exe2,0.2;"},
        {"an empty line moves the lines after it up", "A\n\nexeA\n0.1\nB\nexeB\n0.2\nx\n", "A,exeA,0.1;exeB,0.2,x;"},
        {"an entry cut short by the end is still taken", "A\nexeA\n0.1\nx\nB\nexeB", "A,exeA,0.1;B,exeB,;"},
        {"a carriage return before the line feed is dropped", "A\r\nexe\r\n0.1\r\nx\r\n", "A,exe,0.1;"},
        {"an empty first line is skipped", "\n\nA\nexe\n0.1\nx\n", "A,exe,0.1;"},
        {"an empty file", "", ""},
        {"white space only", "\n \n\t\n", ""},
        {"long lines are cut to their fields without spilling",
         std::string(10000, 'n') + "\n" + std::string(600, 'e') + "\n" + std::string(40, 'v') + "\nx\nNext\nexe\n0.2\nx\n",
         std::string(203, 'n') + "," + std::string(511, 'e') + "," + std::string(19, 'v') + ";Next,exe,0.2;"},
        {"at most 100 entries", many, hundred},
    };
    for (const auto& c : cases) EXPECT_EQ(read_versions_text(c.text), c.entries) << c.name;
    read_versions_text("A\na\n0.78\nx\nB\nb\n0.78\nx\nC\nc\n0.36b\nx\n");
    for (const auto& [name, index] : {std::pair{"0.78", 0}, {"0.36b", 2}, {"0.36B", -1}, {"0.7", -1}, {"", -1}})
        EXPECT_EQ(find_version(name), index) << "find_version('" << name << "')";
}

TEST(NetSettings, ServerAddressAndTimeout) {
    const std::pair<std::string, std::string> servers[] = {
        {"zeph.example.org", "zeph.example.org:80"}, {"127.0.0.1:8080", "127.0.0.1:8080"}, {"h:65535", "h:65535"},
        {"h:65536", "refused"}, {"h:0", "refused"}, {"h:", "refused"}, {":80", "refused"}, {"", "refused"},
        {"h:8o", "refused"}, {std::string(64, 'h'), "refused"}};  // a host that does not fit its 64 bytes
    for (const auto& [server, expected] : servers) {
        char host[64] = "";
        unsigned short port = 0;
        const bool ok = split_host_port(server.c_str(), host, sizeof host, &port);
        EXPECT_EQ(ok ? std::string(host) + ":" + std::to_string(port) : "refused", expected) << "'" << server << "'";
    }
    for (const auto& [text, ms] : {std::pair<const char*, unsigned>{nullptr, 30000}, {"", 30000}, {"1500", 1500},
                                   {"0", 30000}, {"-5", 30000}, {"15x", 30000}, {" 15", 30000}, {"99999999999", 30000}})
        EXPECT_EQ(parse_net_timeout_ms(text), ms) << (text ? text : "(unset)");
}

}  // namespace
