#include "startup/mode.h"

#include <gtest/gtest.h>

#include <string>

#include "startup/run_result.h"

namespace {

const char *modeName(EngineMode mode) {
    switch (mode) {
        case EngineMode::Finish: return "finish";
        case EngineMode::Refused: return "refused";
        case EngineMode::Preview: return "preview";
        case EngineMode::NoPayload: return "no payload";
        case EngineMode::Settings: return "settings";
        case EngineMode::Saver: return "saver";
        case EngineMode::Install: return "install";
    }
    return "?";
}

// Every row of the decision table, with the switches as a command-line tail.
TEST(ChooseMode, TheDecisionTableChoosesByTailNameAdmissionAndPayload) {
    struct Row {
        const char *label;
        const char *tail;
        const char *path;
        bool admitted;
        FileResult trailer;
        const char *expected;
    };
    const FileResult OK = FileResult::Ok, NONE = FileResult::ShortWrite;
    const Row rows[] = {
        {"installer file, no switches", "", "C:\\D\\FISH.exe", true, OK, "install"},
        {"installer file, quiet", "/q", "C:\\D\\FISH.exe", true, OK, "install"},
        {".scr name runs the saver", "", "C:\\W\\FISH.scr", true, OK, "saver"},
        {".SCR in upper case runs the saver", "", "C:\\W\\FISH.SCR", true, OK, "saver"},
        {".Scr in mixed case", "", "C:\\W\\FISH.Scr", true, OK, "saver"},
        {"a name that only holds .scr", "", "C:\\W\\FISH.scr.exe", true, OK, "install"},
        {"a name shorter than .scr", "", "scr", true, OK, "install"},
        {"/s on an installer name", "/s", "C:\\D\\FISH.exe", true, OK, "saver"},
        {"/c wins over the .scr name", "/c 1234", "C:\\W\\FISH.SCR", true, OK, "settings"},
        {"/c wins over /s", "/s /c", "C:\\D\\FISH.exe", true, OK, "settings"},
        {"/a opens the settings", "/a", "C:\\D\\FISH.exe", true, OK, "settings"},
        {"/p with a window number", "/p 1234", "C:\\W\\FISH.SCR", true, OK, "preview"},
        {"/p wins over /c and /s", "/s /c /p", "C:\\D\\FISH.exe", true, OK, "preview"},
        {"/r finishes an install", "/r /c", "C:\\W\\Inst9753.exe", false, NONE, "finish"},
        {"/r wins over everything", "/r /p /s", "C:\\W\\FISH.scr", true, OK, "finish"},
        {"/r inside a path", "C:/r/x.exe", "C:\\D\\FISH.exe", true, OK, "finish"},
        {"a second process", "/s", "C:\\W\\FISH.scr", false, OK, "refused"},
        {"a second process with /p", "/p 1", "C:\\W\\FISH.scr", false, OK, "refused"},
        {"/z path with /s in it", "/zC:/saver/tank.exe", "C:\\D\\FISH.exe", true, OK, "saver"},
        {"upper-case switches are no switches", "/S /C /P", "C:\\D\\FISH.exe", true, OK, "install"},
        {"no trailer, installer name", "", "C:\\D\\FISH.exe", true, NONE, "no payload"},
        {"no trailer, saver name", "", "C:\\W\\FISH.scr", true, NONE, "no payload"},
        {"no trailer, /c", "/c", "C:\\D\\FISH.exe", true, NONE, "no payload"},
        {"trailer sizes past the signed range", "/s", "C:\\W\\FISH.scr", true, FileResult::SeekFailed, "no payload"},
        {"no trailer, /p still previews", "/p 1", "C:\\W\\FISH.scr", true, NONE, "preview"},
    };
    for (const Row &row : rows) {
        ModeFacts facts = {};
        parseCommandSwitches(row.tail, &facts.switches);
        facts.admitted = row.admitted;
        facts.enginePath = row.path;
        facts.trailer = row.trailer;
        EXPECT_STREQ(row.expected, modeName(chooseMode(facts))) << row.label;
    }
}

TEST(ChooseMode, OnlyTheFinishingProcessStaysOutOfTheInstanceCount) {
    CommandSwitches switches;
    for (const char *tail : {"", "/s", "/c", "/p 1", "/a", "/q"}) {
        parseCommandSwitches(tail, &switches);
        EXPECT_TRUE(joinsInstanceCount(switches)) << tail;
    }
    parseCommandSwitches("/r \"a\"b\"c\"d", &switches);
    EXPECT_FALSE(joinsInstanceCount(switches));
}

TEST(RunResults, EachEndingHasItsExitCode) {
    struct Row {
        RunResult result;
        int code;
    };
    const Row rows[] = {
        {RunResult::Done, 0},          {RunResult::PathTooLong, -1},  {RunResult::PlayerUnreadable, -1},
        {RunResult::NoBuffer, -1},
        {RunResult::OpenFailed, -2},   {RunResult::ShortRead, -3},    {RunResult::ShortWrite, -4},
        {RunResult::SeekFailed, -5},   {RunResult::NotABitmap, -6},   {RunResult::RunFromTarget, -4},
        {RunResult::BadPayload, -100}, {RunResult::Cancelled, -200},  {RunResult::NeedsWin16, -2999},
        {RunResult::NeedsWin32, -3000}, {RunResult::FinishingNotStarted, 1}, {RunResult::NotCommitted, 2},
    };
    for (const Row &row : rows) EXPECT_EQ(row.code, exitCodeOf(row.result)) << static_cast<int>(row.result);
    for (FileResult file : {FileResult::Ok, FileResult::NoBuffer, FileResult::OpenFailed, FileResult::ShortRead,
                            FileResult::ShortWrite, FileResult::SeekFailed}) {
        EXPECT_EQ(static_cast<int>(file), exitCodeOf(fromFileResult(file))) << "a file result keeps its number";
    }
    EXPECT_EQ(-1, exitCodeOf(fromPathResult(PathResult::TooLong)));
}

}  // namespace
