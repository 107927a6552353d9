#include "install/finishing_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

FinishingFields fieldsOf(const char *a, const char *b, const char *c, const char *d) {
    FinishingFields f = {};
    std::strcpy(f.temporarySaver, a);
    std::strcpy(f.finalSaver, b);
    std::strcpy(f.temporaryPlayer, c);
    std::strcpy(f.finalPlayer, d);
    return f;
}

// What the finishing process receives: the command line without the program, as the C runtime
// hands it on (the quoted program and the blanks after it removed).
std::string tailOf(const char *commandLine) {
    const char *end = std::strchr(commandLine + 1, '"');
    return std::string(end + 2);
}

TEST(FinishingCommand, BuildThenParseGivesTheSameFourPaths) {
    struct Row {
        const char *label;
        const char *copy;
        FinishingFields fields;
    };
    const Row rows[] = {
        {"plain names", "C:\\WINDOWS\\Inst9753.exe",
         fieldsOf("C:\\WINDOWS\\Inst9754.scr", "C:\\WINDOWS\\FISH.scr", "C:\\WINDOWS\\Inst9755.exe",
                  "C:\\WINDOWS\\FISH.exe")},
        {"blanks in the final names and the directory", "C:\\My Windows\\Inst9753.exe",
         fieldsOf("C:\\My Windows\\Inst9754.scr", "C:\\My Windows\\Fish Tank.scr", "C:\\My Windows\\Inst9755.exe",
                  "C:\\My Windows\\Fish Tank.exe")},
        {"forward slashes after the first field", "C:\\W\\Inst9753.exe",
         fieldsOf("C:\\W\\Inst9754.scr", "C:/W/a.scr", "C:/W/Inst9755.exe", "C:/W/a.exe")},
    };
    for (const Row &row : rows) {
        char line[FINISHING_COMMAND_CAPACITY];
        ASSERT_TRUE(buildFinishingCommandLine(row.copy, row.fields, line)) << row.label;
        EXPECT_EQ(std::string("\"") + row.copy + "\" /r " + row.fields.temporarySaver + "\"" + row.fields.finalSaver +
                      "\"" + row.fields.temporaryPlayer + "\"" + row.fields.finalPlayer,
                  line)
            << row.label;
        FinishingFields parsed;
        ASSERT_TRUE(parseFinishingCommandLine(tailOf(line).c_str(), &parsed)) << row.label;
        EXPECT_STREQ(row.fields.temporarySaver, parsed.temporarySaver) << row.label;
        EXPECT_STREQ(row.fields.finalSaver, parsed.finalSaver) << row.label;
        EXPECT_STREQ(row.fields.temporaryPlayer, parsed.temporaryPlayer) << row.label;
        EXPECT_STREQ(row.fields.finalPlayer, parsed.finalPlayer) << row.label;
    }
}

TEST(FinishingCommand, MalformedTailsAreRefused) {
    const std::string tooLong(PATH_CAPACITY, 'x');
    struct Row {
        const char *label;
        std::string tail;
    };
    const Row rows[] = {
        {"no quote", "/r a b c d"},
        {"two quotes only", "/r a\"b\"c"},
        {"no slash before the first quote", "r a\"b\"c\"d"},
        {"slash right before the first quote", "/r\"b\"c\"d"},
        {"a field longer than a path", "/r a\"" + tooLong + "\"c\"d"},
        {"last field longer than a path", "/r a\"b\"c\"" + tooLong},
    };
    for (const Row &row : rows) {
        FinishingFields parsed;
        EXPECT_FALSE(parseFinishingCommandLine(row.tail.c_str(), &parsed)) << row.label;
        EXPECT_STREQ("", parsed.finalSaver) << row.label;
    }
}

TEST(FinishingCommand, PathsTheFormatCannotCarryAreRefused) {
    char line[FINISHING_COMMAND_CAPACITY];
    EXPECT_FALSE(
        buildFinishingCommandLine("C:\\W\\Inst9753.exe", fieldsOf("C:\\W\\t.scr", "C:\\W\\a\"b.scr", "t", "f"), line))
        << "double quote in a field";
    EXPECT_FALSE(buildFinishingCommandLine("C:\\W\\Inst9753.exe", fieldsOf("C:/W/t.scr", "f", "t", "f"), line))
        << "slash in the first field";
}

}  // namespace
