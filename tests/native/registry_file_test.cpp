// The text files in which Wine keeps a prefix's registry, as Wine writes them, read by the doctor.
#include "tools/pack/registry_file.h"

#include <gtest/gtest.h>

namespace {

// One value line under a key, decoded: Wine's escapes, and the kinds of data the doctor reads.
TEST(RegistryFile, ValuesAreDecodedAsWineWritesThem) {
    struct Row {
        const char *label;
        const char *line;  // a value line as it stands in the file
        RegistryFileValue::Kind kind;
        const char *name;
        std::string text;  // a string's decoded characters, or a dword in decimal
    };
    const RegistryFileValue::Kind STRING = RegistryFileValue::Kind::String, NUMBER = RegistryFileValue::Kind::Number,
                                  OTHER = RegistryFileValue::Kind::Other;
    const Row rows[] = {
        {"a quoted path", R"("UninstallString"="\"C:\\windows\\Fish Tank.scr\" /u")", STRING, "UninstallString",
         "\"C:\\windows\\Fish Tank.scr\" /u"},
        {"the default value", R"(@="Fish")", STRING, "", "Fish"},
        {"an empty string", R"("PreviousScreenSaver"="")", STRING, "PreviousScreenSaver", ""},
        {"letter escapes", R"("a"="\t\n\r\a\b\e\f\v")", STRING, "a", "\t\n\r\a\b\x1B\f\v"},
        {"a code unit beyond ASCII", R"("a"="Caf\xe9")", STRING, "a", "Caf\xC3\xA9"},
        {"four hex digits before a hex digit", R"("a"="\x00e9e")", STRING, "a", std::string("\xC3\xA9") + "e"},
        {"a surrogate pair is one character", R"("a"="\xd83d\xde00")", STRING, "a", "\xF0\x9F\x98\x80"},
        {"a lone surrogate", R"("a"="\xd83dx")", STRING, "a", "\xEF\xBF\xBDx"},
        {"octal escapes", R"("a"="\101\0")", STRING, "a", std::string("A\0", 2)},
        {"any other character escaped is itself", R"("a"="\[\q")", STRING, "a", "[q"},
        {"an escaped quote in the name", R"("say \"hi\""="1")", STRING, "say \"hi\"", "1"},
        {"an expandable string", R"("a"=str(2):"%SystemRoot%\\x")", STRING, "a", "%SystemRoot%\\x"},
        {"a dword", R"("NoModify"=dword:00000001)", NUMBER, "NoModify", "1"},
        {"the largest dword", R"("EstimatedSize"=dword:ffffffff)", NUMBER, "EstimatedSize", "4294967295"},
        {"hex data, continued on the next line", "\"a\"=hex:01,02,\\\n  03,04", OTHER, "a", ""},
    };
    for (const Row &row : rows) {
        const std::string text = std::string("[Software\\\\Test] 1733660000\n#time=1d9\n") + row.line + "\n";
        const auto keys = parseRegistryFile(text);
        ASSERT_EQ(1u, keys.size()) << row.label;
        EXPECT_EQ("Software\\Test", keys[0].path) << row.label;
        ASSERT_EQ(1u, keys[0].values.size()) << row.label;
        const RegistryFileValue &value = keys[0].values[0];
        EXPECT_EQ(static_cast<int>(row.kind), static_cast<int>(value.kind)) << row.label;
        EXPECT_EQ(row.name, value.name) << row.label;
        EXPECT_EQ(row.text, row.kind == NUMBER ? std::to_string(value.number) : value.text) << row.label;
    }
}

// What a damaged or foreign file holds is passed over, and the rest is still read.
TEST(RegistryFile, LinesThatAreNoneOfItsKindsArePassedOver) {
    const std::string text =
        "WINE REGISTRY Version 2\r\n;; All keys relative to REGISTRY\\\\Machine\r\n\"orphan\"=\"before any key\"\r\n"
        "[Software\\\\Cut\r\n\"lost\"=\"under an unterminated key\"\r\n"
        "[Software\\\\Kept\\] 1] 1733660000\r\n\"open\"=\"unterminated\r\n\"noequals\"\r\n\"weird\"=dword:\r\n"
        "\"kept\"=\"yes\"\r\n";
    const auto keys = parseRegistryFile(text);
    ASSERT_EQ(1u, keys.size());
    EXPECT_EQ("Software\\Kept] 1", keys[0].path) << "an escaped bracket in a key's name";
    ASSERT_EQ(2u, keys[0].values.size());
    EXPECT_EQ(static_cast<int>(RegistryFileValue::Kind::Other), static_cast<int>(keys[0].values[0].kind))
        << "a dword without digits";
    EXPECT_EQ("yes", keys[0].values[1].text);
}

// The list of programs: the keys directly under the Uninstall key, in any letter case.
TEST(RegistryFile, TheEntriesOfTheListOfProgramsAreTheKeysUnderTheUninstallKey) {
    const std::string text =
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall] 1\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Fish Tank.scr] 1\n"
        "\"DisplayName\"=\"Fish Tank (screen saver)\"\n"
        "\"UninstallString\"=\"\\\"C:\\\\windows\\\\Fish Tank.scr\\\" /u\"\n"
        "\"PreviousScreenSaver\"=\"\"\n"
        "[software\\\\microsoft\\\\windows\\\\currentversion\\\\uninstall\\\\Wine Gecko] 1\n"
        "\"UninstallString\"=\"C:\\\\windows\\\\uninstaller.exe /remove\"\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Wine Gecko\\\\Parts] 1\n";
    std::vector<ProgramEntry> entries;
    programEntriesOfRegistryFile(parseRegistryFile(text), "HKEY_CURRENT_USER", &entries);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fish Tank.scr",
              programEntryKey(entries[0]));
    EXPECT_EQ("Fish Tank (screen saver)", entries[0].displayName);
    EXPECT_EQ("C:\\windows\\Fish Tank.scr", uninstalledFile(entries[0])) << "between the quotes";
    EXPECT_TRUE(entries[0].lumivex) << "an empty PreviousScreenSaver marks an install's entry";
    EXPECT_EQ("Wine Gecko", entries[1].name);
    EXPECT_EQ("C:\\windows\\uninstaller.exe", uninstalledFile(entries[1])) << "unquoted: up to the switch";
    EXPECT_FALSE(entries[1].lumivex);
}

}  // namespace
