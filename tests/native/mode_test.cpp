#include "entry/mode.h"

#include <gtest/gtest.h>

#include <string>

#include "startup/run_result.h"

namespace {

const char *modeName(EngineMode mode) {
    switch (mode) {
        case EngineMode::Finish: return "finish";
        case EngineMode::Refused: return "refused";
        case EngineMode::Preview: return "preview";
        case EngineMode::NoPreview: return "no preview";
        case EngineMode::Remove:
            return "remove";
        case EngineMode::FinishRemoval:
            return "finish removal";
        case EngineMode::NoPayload: return "no payload";
        case EngineMode::Settings: return "settings";
        case EngineMode::Saver: return "saver";
        case EngineMode::Install: return "install";
    }
    return "?";
}

// Every row of the decision table, with the switches as a command-line tail.
TEST(ChooseMode, TheDecisionTableChoosesByTailNameAdmissionWindowAndPayload) {
    struct Row {
        const char *label;
        const char *tail;
        const char *path;
        bool admitted;
        bool window;  // the number after "/p" names a window
        FileResult trailer;
        const char *expected;
    };
    const FileResult OK = FileResult::Ok, NONE = FileResult::ShortWrite;
    const Row rows[] = {
        {"installer file, no switches", "", "C:\\D\\FISH.exe", true, false, OK, "install"},
        {"installer file, quiet", "/q", "C:\\D\\FISH.exe", true, false, OK, "install"},
        {".scr name with an empty tail: Configure", "", "C:\\W\\FISH.scr", true, false, OK, "settings"},
        {".SCR in upper case, blanks only", " \t ", "C:\\W\\FISH.SCR", true, false, OK, "settings"},
        {".scr name with /s runs the saver", "/s", "C:\\W\\FISH.scr", true, false, OK, "saver"},
        {".Scr in mixed case with /s", "/s", "C:\\W\\FISH.Scr", true, false, OK, "saver"},
        {".scr name with a tail that holds no switch", "x", "C:\\W\\FISH.scr", true, false, OK, "saver"},
        {"a name that only holds .scr", "", "C:\\W\\FISH.scr.exe", true, false, OK, "install"},
        {"a name shorter than .scr", "", "scr", true, false, OK, "install"},
        {"/s on an installer name", "/s", "C:\\D\\FISH.exe", true, false, OK, "saver"},
        {"/c wins over the .scr name", "/c 1234", "C:\\W\\FISH.SCR", true, false, OK, "settings"},
        {"/c wins over /s", "/s /c", "C:\\D\\FISH.exe", true, false, OK, "settings"},
        {"/a opens the settings", "/a", "C:\\D\\FISH.exe", true, false, OK, "settings"},
        {"/p with a window", "/p 1234", "C:\\W\\FISH.SCR", true, true, OK, "preview"},
        {"/p with a number that names no window", "/p 1234", "C:\\W\\FISH.SCR", true, false, OK, "no preview"},
        {"/p wins over /c and /s", "/s /c /p 5", "C:\\D\\FISH.exe", true, true, OK, "preview"},
        {"/p is never refused: it takes no place", "/p 1", "C:\\W\\FISH.scr", false, true, OK, "preview"},
        {"/p without a trailer draws nothing", "/p 1", "C:\\W\\FISH.scr", false, true, NONE, "no preview"},
        {"/r finishes an install", "/r /c", "C:\\W\\Inst9753.exe", false, false, NONE, "finish"},
        {"/r wins over everything", "/r /p 1 /s", "C:\\W\\FISH.scr", true, true, OK, "finish"},
        {"/r inside a path", "C:/r/x.exe", "C:\\D\\FISH.exe", true, false, OK, "finish"},
        {"a second process", "/s", "C:\\W\\FISH.scr", false, false, OK, "refused"},
        {"a second process with an empty tail", "", "C:\\W\\FISH.scr", false, false, OK, "refused"},
        {"/z path with /s in it", "/zC:/saver/tank.exe", "C:\\D\\FISH.exe", true, false, OK, "saver"},
        {"upper-case switches are no switches", "/S /C /P", "C:\\D\\FISH.exe", true, false, OK, "install"},
        {"no trailer, installer name", "", "C:\\D\\FISH.exe", true, false, NONE, "no payload"},
        {"no trailer, saver name", "", "C:\\W\\FISH.scr", true, false, NONE, "no payload"},
        {"no trailer, /c", "/c", "C:\\D\\FISH.exe", true, false, NONE, "no payload"},
        {"/u removes the saver", "/u", "C:\\W\\FISH.scr", true, false, OK, "remove"},
        {"/u quietly, after blanks", "  /u /q", "C:\\W\\FISH.scr", true, false, OK, "remove"},
        {"/u removes a saver without a trailer", "/u", "C:\\W\\FISH.scr", true, false, NONE, "remove"},
        {"/u in the removal helper", "/u /w 12 \"C:\\W\\FISH.scr\"", "C:\\T\\inst9757.EXE", true, false, NONE,
         "finish removal"},
        {"/u of a second process is refused", "/u", "C:\\W\\FISH.scr", false, false, OK, "refused"},
        {"/u after another switch is none", "/q /u", "C:\\W\\FISH.scr", true, false, OK, "saver"},
        {"/u inside a /z path is none", "/zC:/u/x.exe", "C:\\D\\FISH.exe", true, false, OK, "install"},
        {"/u glued to more letters is none", "/used", "C:\\W\\FISH.scr", true, false, OK, "saver"},
        {"/u after /r finishes an install", "/r /u", "C:\\W\\Inst9753.exe", false, false, NONE, "finish"},
        {"trailer sizes past the signed range", "/s", "C:\\W\\FISH.scr", true, false, FileResult::SeekFailed,
         "no payload"},
    };
    for (const Row &row : rows) {
        ModeFacts facts = {};
        parseCommandSwitches(row.tail, &facts.switches);
        facts.admitted = row.admitted;
        facts.previewWindow = row.window;
        facts.enginePath = row.path;
        facts.trailer = row.trailer;
        EXPECT_STREQ(row.expected, modeName(chooseMode(facts))) << row.label;
    }
}

TEST(ChooseMode, TheFinishingProcessAndThePreviewStayOutOfTheInstanceCount) {
    const struct {
        const char *tail;
        bool joins;
    } rows[] = {
        {"", true},   {"/s", true},    {"/c:12", true}, {"/a 12", true},
        {"/q", true}, {"/p 1", false}, {"/p", false},   {"/r \"a\"b\"c\"d", false},
    };
    for (const auto &row : rows) {
        CommandSwitches switches;
        parseCommandSwitches(row.tail, &switches);
        EXPECT_EQ(row.joins, joinsInstanceCount(switches)) << row.tail;
    }
}

TEST(RunResults, EachEndingHasItsExitCode) {
    struct Row {
        RunResult result;
        int code;
    };
    const Row rows[] = {
        {RunResult::Done, 0},           {RunResult::PathTooLong, -1},   {RunResult::PlayerUnreadable, -1},
        {RunResult::NoBuffer, -1},      {RunResult::OpenFailed, -2},    {RunResult::ShortRead, -3},
        {RunResult::ShortWrite, -4},    {RunResult::SeekFailed, -5},    {RunResult::NotABitmap, -6},
        {RunResult::RunFromTarget, -4}, {RunResult::BadPayload, -100},  {RunResult::Cancelled, -200},
        {RunResult::NeedsWin16, -2999}, {RunResult::NeedsWin32, -3000}, {RunResult::FinishingNotStarted, 1},
        {RunResult::NotCommitted, 2},   {RunResult::NotRemoved, 3},     {RunResult::FolderNameUnwritable, -2},
    };
    for (const Row &row : rows) EXPECT_EQ(row.code, exitCodeOf(row.result)) << static_cast<int>(row.result);
    for (FileResult file : {FileResult::Ok, FileResult::NoBuffer, FileResult::OpenFailed, FileResult::ShortRead,
                            FileResult::ShortWrite, FileResult::SeekFailed}) {
        EXPECT_EQ(static_cast<int>(file), exitCodeOf(fromFileResult(file))) << "a file result keeps its number";
    }
    EXPECT_EQ(-1, exitCodeOf(fromPathResult(PathResult::TooLong)));
    EXPECT_EQ(-2, exitCodeOf(fromPathResult(PathResult::NoAnsiForm)));
}

}  // namespace
