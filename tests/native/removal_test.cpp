#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "install/program_entry.h"
#include "install/removal_command.h"

namespace {

// The helper's command line carries the saver's process and path, and the quiet switch, back to
// the helper unchanged, blanks and switch-like text inside the path included.
TEST(RemovalCommand, BuildThenParseGivesTheSameFields) {
    struct Row {
        const char *label;
        uint32_t process;
        bool quiet;
        const char *saver;
        const char *line;
    };
    const Row rows[] = {
        {"asked", 1234, false, "C:\\WINDOWS\\Fish Tank.scr",
         "\"C:\\TEMP\\Inst9757.exe\" /u /w 1234 \"C:\\WINDOWS\\Fish Tank.scr\""},
        {"quiet", 7, true, "C:\\WINDOWS\\FISH.scr", "\"C:\\TEMP\\Inst9757.exe\" /u /w 7 /q \"C:\\WINDOWS\\FISH.scr\""},
        {"the largest id", 4294967295u, false, "C:\\W\\a.scr",
         "\"C:\\TEMP\\Inst9757.exe\" /u /w 4294967295 \"C:\\W\\a.scr\""},
        {"switches inside the path", 9, false, "C:\\x /q /w 5\\F.scr",
         "\"C:\\TEMP\\Inst9757.exe\" /u /w 9 \"C:\\x /q /w 5\\F.scr\""},
    };
    for (const Row &row : rows) {
        RemovalFields fields = {row.process, row.quiet, {}};
        std::strcpy(fields.saver, row.saver);
        char line[1024];
        ASSERT_TRUE(buildRemovalCommandLine("C:\\TEMP\\Inst9757.exe", fields, line, sizeof line)) << row.label;
        EXPECT_STREQ(row.line, line) << row.label;
        const char *tail = line + std::strlen("\"C:\\TEMP\\Inst9757.exe\" ");
        RemovalFields parsed;
        ASSERT_TRUE(parseRemovalCommandLine(tail, &parsed)) << row.label;
        EXPECT_EQ(row.process, parsed.saverProcess) << row.label;
        EXPECT_EQ(row.quiet, parsed.quiet) << row.label;
        EXPECT_STREQ(row.saver, parsed.saver) << row.label;
    }
}

// A tail that is not the helper's own leaves every field empty, so nothing is removed.
TEST(RemovalCommand, TailsThatAreNotTheHelpersAreRefused) {
    const std::string longPath = "\"C:\\" + std::string(300, 'a') + ".scr\"";
    const struct {
        const char *label;
        std::string tail;
    } rows[] = {
        {"no process", "/u \"C:\\W\\F.scr\""},
        {"process 0", "/u /w 0 \"C:\\W\\F.scr\""},
        {"a process id that is no number", "/u /w x1 \"C:\\W\\F.scr\""},
        {"no path", "/u /w 12"},
        {"an unclosed path", "/u /w 12 \"C:\\W\\F.scr"},
        {"an empty path", "/u /w 12 \"\""},
        {"a path longer than a path buffer", "/u /w 12 " + longPath},
        {"the process only inside the path", "/u \"C:\\x /w 5\\F.scr\""},
    };
    for (const auto &row : rows) {
        RemovalFields fields = {5, true, "x"};
        EXPECT_FALSE(parseRemovalCommandLine(row.tail.c_str(), &fields)) << row.label;
        EXPECT_EQ(0u, fields.saverProcess) << row.label;
        EXPECT_STREQ("", fields.saver) << row.label;
    }
    RemovalFields fields = {1, false, "C:\\W\\\"F.scr"};
    char line[1024];
    EXPECT_FALSE(buildRemovalCommandLine("C:\\T\\h.exe", fields, line, sizeof line)) << "a quote in the path";
    std::strcpy(fields.saver, "C:\\W\\F.scr");
    EXPECT_FALSE(buildRemovalCommandLine("C:\\T\\h.exe", fields, line, 20)) << "a buffer too small";
    EXPECT_STREQ("", line);
}

TEST(ProgramEntry, TextsNameTheSaverAndItsRemoval) {
    ProgramEntryTexts texts;
    ASSERT_TRUE(makeProgramEntryTexts("C:\\WINDOWS\\Fish Tank.scr", &texts));
    EXPECT_STREQ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fish Tank.scr", texts.key);
    EXPECT_STREQ("Fish Tank (screen saver)", texts.displayName);
    EXPECT_STREQ("\"C:\\WINDOWS\\Fish Tank.scr\" /u", texts.uninstall);
    EXPECT_STREQ("\"C:\\WINDOWS\\Fish Tank.scr\" /u /q", texts.quietUninstall);
    EXPECT_FALSE(makeProgramEntryTexts("C:\\WINDOWS\\", &texts)) << "a path without a file name";

    const struct {
        uint32_t saver, player, kib;
    } sizes[] = {
        {0, 0, 0}, {1, 0, 1}, {1024, 0, 1}, {1024, 1, 2}, {205308, 70000, 269}, {0xFFFFFFFFu, 0xFFFFFFFFu, 8388608}};
    for (const auto &row : sizes) {
        EXPECT_EQ(row.kib, estimatedSizeKiB(row.saver, row.player)) << row.saver << " + " << row.player;
    }
}

}  // namespace
