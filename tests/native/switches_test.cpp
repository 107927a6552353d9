#include "startup/switches.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Switches, EachSwitchIsFoundAnywhereInTheTail) {
    struct Row {
        const char *label;
        const char *tail;
        bool finish, settings, saver, preview, changePassword, quiet;
    };
    const Row rows[] = {
        {"empty tail", "", false, false, false, false, false, false},
        {"saver", "/s", false, false, true, false, false, false},
        {"preview with a window number", "/p 1234", false, false, false, true, false, false},
        {"settings with a window number", "/c:5678", false, true, false, false, false, false},
        {"password change", "/a", false, false, false, false, true, false},
        {"quiet", "/q", false, false, false, false, false, true},
        {"finish inside a path", "C:\\x\\Inst9753.exe \"D:/tmp/run\"", true, false, false, false, false, false},
        {"upper case is not a switch", "/S /C /P /A /Q /R /Z", false, false, false, false, false, false},
        {"switches run together", "/s/c/p", false, true, true, true, false, false},
        {"a slash alone", "/", false, false, false, false, false, false},
    };
    for (const Row &row : rows) {
        CommandSwitches s;
        parseCommandSwitches(row.tail, &s);
        EXPECT_EQ(row.finish, s.finish) << row.label;
        EXPECT_EQ(row.settings, s.settings) << row.label;
        EXPECT_EQ(row.saver, s.saver) << row.label;
        EXPECT_EQ(row.preview, s.preview) << row.label;
        EXPECT_EQ(row.changePassword, s.changePassword) << row.label;
        EXPECT_EQ(row.quiet, s.quiet) << row.label;
    }
}

// The tail is what follows the program name and the blanks after it, as the system's start-up
// code gives it to a Windows program.
TEST(Switches, TheTailFollowsTheProgramName) {
    const struct {
        const char *label;
        const char *commandLine;
        const char *tail;
    } rows[] = {
        {"plain name", "C:\\WINDOWS\\FISH.SCR /s", "/s"},
        {"quoted name with a blank", "\"C:\\My Savers\\FISH.SCR\" /c:123", "/c:123"},
        {"blank inside quotes in the middle", "C:\\My\" \"Savers\\FISH.SCR /p 5", "/p 5"},
        {"name alone", "FISH.SCR", ""},
        {"name and blanks", "FISH.SCR \t  ", ""},
        {"several blanks and a tab before the tail", "FISH.EXE  \t/z C:\\a b.exe", "/z C:\\a b.exe"},
        {"blanks in the tail are kept", "x.exe /z  two  blanks ", "/z  two  blanks "},
        {"an unclosed quote takes everything", "\"C:\\a b /s", ""},
        {"empty command line", "", ""},
    };
    for (const auto &row : rows) EXPECT_STREQ(row.tail, commandLineTail(row.commandLine)) << row.label;
}

TEST(Switches, PlayerFileIsTheVerbatimRestOfTheTail) {
    struct Row {
        const char *label;
        const char *tail;
        const char *expected;  // null: no "/z"
    };
    const Row rows[] = {
        {"no /z", "/q", nullptr},
        {"path right after /z", "/zC:\\P\\FISH.EXE", "C:\\P\\FISH.EXE"},
        {"a blank after /z is kept", "/q /z C:\\FISH.EXE", " C:\\FISH.EXE"},
        {"quotes are kept", "/z\"C:\\A B\\F.EXE\"", "\"C:\\A B\\F.EXE\""},
        {"/z at the very end", "/q /z", ""},
        {"the first /z counts", "/zA/zB", "A/zB"},
    };
    for (const Row &row : rows) {
        CommandSwitches s;
        parseCommandSwitches(row.tail, &s);
        if (row.expected == nullptr) {
            EXPECT_EQ(nullptr, s.playerFile) << row.label;
        } else {
            ASSERT_NE(nullptr, s.playerFile) << row.label;
            EXPECT_STREQ(row.expected, s.playerFile) << row.label;
        }
    }
}

TEST(Switches, ForwardSlashPathAfterZAlsoSelectsModes) {
    CommandSwitches s;
    parseCommandSwitches("/zC:/savers/cool/player.exe", &s);
    EXPECT_TRUE(s.saver) << "\"/s\" inside the path";
    EXPECT_TRUE(s.settings) << "\"/c\" inside the path";
    EXPECT_STREQ("C:/savers/cool/player.exe", s.playerFile);
}

// The display settings name a window after "/p" (the monitor), "/c" and "/a" (the owner) as an
// unsigned decimal number, after a blank ("/p 1234") or a colon ("/c:1234").
TEST(Switches, WindowNumbersFollowTheirSwitchAfterABlankOrAColon) {
    struct Row {
        const char *label;
        const char *tail;
        uint32_t preview, owner;
    };
    const Row rows[] = {
        {"preview after a blank", "/p 1234", 1234, 0},
        {"preview after a colon", "/p:1234", 1234, 0},
        {"several blanks and a tab", "/p \t 77", 77, 0},
        {"settings after a colon", "/c:5678", 0, 5678},
        {"settings after a blank", "/c 5678", 0, 5678},
        {"password change names the owner", "/a 42", 0, 42},
        {"/c before /a", "/a 1 /c 2", 0, 2},
        {"the largest 32-bit number", "/p 4294967295", 4294967295u, 0},
        {"one past 32 bits names nothing", "/p 4294967296", 0, 0},
        {"eleven digits name nothing", "/p 12345678901", 0, 0},
        {"leading zeros", "/p 0042", 42, 0},
        {"zero names no window", "/p 0", 0, 0},
        {"bare /p", "/p", 0, 0},
        {"blanks and nothing", "/p   ", 0, 0},
        {"a colon and a blank", "/p: 12", 0, 0},
        {"digits run into letters", "/p 12ab", 0, 0},
        {"a sign is no digit", "/p -12", 0, 0},
        {"a number glued to the switch", "/p12", 0, 0},
        {"followed by another switch", "/p 12 /s", 12, 0},
        {"the first /p decides", "/pX /p 9", 0, 0},
        {"upper case is no switch", "/P 12 /C:3", 0, 0},
    };
    for (const Row &row : rows) {
        CommandSwitches s;
        parseCommandSwitches(row.tail, &s);
        EXPECT_EQ(row.preview, s.previewParent) << row.label;
        EXPECT_EQ(row.owner, s.settingsOwner) << row.label;
    }
}

// Explorer's Configure starts a saver file with nothing after its name.
TEST(Switches, AnEmptyTailIsOneOfNothingButBlanks) {
    const struct {
        const char *tail;
        bool empty;
    } rows[] = {{"", true}, {" \t ", true}, {"x", false}, {" /s", false}, {"/c", false}};
    for (const auto &row : rows) {
        CommandSwitches s;
        parseCommandSwitches(row.tail, &s);
        EXPECT_EQ(row.empty, s.emptyTail) << "\"" << row.tail << "\"";
    }
}

TEST(Switches, ATenThousandCharacterTailIsSearchedWholeAndNeverCut) {
    std::string tail(10000, 'x');
    tail.replace(9990, 2, "/p");
    tail.replace(20, 2, "/z");
    CommandSwitches s;
    parseCommandSwitches(tail.c_str(), &s);
    EXPECT_TRUE(s.preview) << "a switch near the end of a long tail";
    ASSERT_NE(nullptr, s.playerFile);
    EXPECT_EQ(tail.size() - 22, std::string(s.playerFile).size())
        << "the /z argument is handed on whole, so an over-long path is refused, not cut";
}

}  // namespace
