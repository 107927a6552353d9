// The engine started under Wine as a user or the system would start it: copied under several
// names, with and without a payload trailer, with each switch. Exit codes are read inside Wine
// as full 32-bit values.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../win/hold_events.h"
#include "../win/support.h"
#include "engine_files.h"
#include "payload/trailer.h"
#include "startup/password_reduction.h"
#include "tests/result_printers.h"

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 30000;
// The settings window is closed from its system menu, which ends settings mode with 0.
constexpr DWORD SETTINGS = 0;
// Every saver copy below has a player of the wrong size beside it, so the saver ends at once.
constexpr DWORD SAVER = 0;
// The copies below carry a trailer but no installer payload: the installer refuses them (-100)
// with a message box, which the run answers.
constexpr DWORD INSTALL = static_cast<DWORD>(-100);

DWORD code(int result) { return static_cast<DWORD>(result); }

std::string shippedEngine() { return toWindowsPath(testOption("shipped-engine")); }

// One start of the engine: the file's name, whether it carries a trailer, the command line.
struct DecisionRow {
    const char *label;
    const char *name;
    bool trailer;
    std::string args;
    DWORD expected;
    const char *mode;  // the mode the test build notes ("" for none)
};

class EngineRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(testEngine().empty()) << "--engine=PATH of the engine's test build";
        ASSERT_TRUE(pathExists(testEngine())) << testEngine();
    }

    // A copy of the engine under the given name; with a trailer whose image sizes both equal the
    // engine's size, so splash bitmaps appended behind the copy are found where the engine looks.
    // A saver copy gets a one-byte player beside it, which its trailer does not describe, so a
    // saver run ends at once without starting anything.
    std::string place(const std::string &name, bool withTrailer, const std::string &engine = testEngine()) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(CopyFileA(engine.c_str(), path.c_str(), FALSE)) << path;
        if (withTrailer) addTrailer(path, {});
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos && lstrcmpiA(name.substr(dot).c_str(), ".scr") == 0) {
            const std::string player = dir_.file(name.substr(0, dot) + ".exe");
            if (!pathExists(player)) {
                EXPECT_TRUE(writeBytes(player, {'x'}));
            }
        }
        return path;
    }

    // Appends the splash bitmaps (when given) and a trailer that indexes them.
    static void addTrailer(const std::string &path, const std::vector<unsigned char> &splash1,
                           PayloadTrailer *custom = nullptr) {
        const uint32_t engineSize = static_cast<uint32_t>(readBytes(path).size());
        if (!splash1.empty()) {
            ASSERT_TRUE(appendBytes(path, splash1));
        }
        PayloadTrailer trailer = {};
        trailer.imageASize = engineSize;
        trailer.imageBSize = engineSize;
        trailer.splash1Size = static_cast<uint32_t>(splash1.size());
        trailer.flags = 0x4000;
        if (custom != nullptr) trailer = *custom;
        ASSERT_EQ(FileResult::Ok, writePayloadTrailer(path.c_str(), &trailer));
    }

    // Runs the engine as a user would: every window of it closed, every box answered with OK, and
    // a password question (of a protected run) with the password "fish".
    DWORD run(const std::string &path, const std::string &args, const std::string &directory = "") {
        const BoxAnswer answer = [](HWND box, const DialogText &text) {
            if (text.caption == "Password Entry" && bringToFront(box)) typeText("fish");
            return IDOK;
        };
        const ProcessResult result = runAnswering(path, args, RUN_TIMEOUT_MS, answer, directory, "Lumivex").process;
        EXPECT_TRUE(result.started) << path << " error " << result.lastError;
        EXPECT_TRUE(result.finished) << path << " " << args << " did not end";
        return result.exitCode;
    }

    // What the test build of the engine noted about its decisions.
    std::string trace() const {
        std::ifstream in(dir_.file("trace.txt"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    ScopedEnvironment traced() const { return ScopedEnvironment("LUMIVEX_TEST_TRACE", dir_.file("trace.txt")); }

    // The last mode the test build noted, or "".
    std::string tracedMode() const {
        const std::string text = trace();
        const size_t at = text.rfind("mode=");
        return at == std::string::npos ? std::string() : text.substr(at + 5, text.find('\n', at) - at - 5);
    }

    void checkDecisions(const std::vector<DecisionRow> &rows, const std::string &engine) {
        for (const DecisionRow &row : rows) {
            const std::string path = place(row.name, row.trailer, engine);
            DeleteFileA(dir_.file("trace.txt").c_str());
            {
                auto tracing = traced();
                EXPECT_EQ(row.expected, run(path, row.args)) << row.label;
            }
            if (engine == testEngine()) {
                EXPECT_EQ(row.mode, tracedMode()) << row.label;
            }
            DeleteFileA(path.c_str());
        }
    }

    TempDirectory dir_;
};

TEST_F(EngineRun, TheDecisionTableChoosesTheModeByNameAndSwitches) {
    checkDecisions({
        {"installer file, no switches", "FISH.exe", true, "", INSTALL, "install"},
        {"installer file, quiet", "FISH.exe", true, "/q", INSTALL, "install"},
        {".scr name with nothing after it: its settings", "FISH.scr", true, "", SETTINGS, "settings"},
        {".scr name with /s runs the saver", "FISH.scr", true, "/s", SAVER, "saver"},
        {".SCR in upper case with an argument runs the saver", "FISH.SCR", true, "x", SAVER, "saver"},
        {"/s on an installer name", "FISH.exe", true, "/s", SAVER, "saver"},
        {"/c wins over the .scr name", "FISH.SCR", true, "/c 1234", SETTINGS, "settings"},
        {"/c wins over /s", "FISH.exe", true, "/s /c", SETTINGS, "settings"},
        {"/a opens the settings", "FISH.exe", true, "/a", SETTINGS, "settings"},
        {"/p with a window number does nothing", "FISH.SCR", true, "/p 1234", 0, ""},
        {"/p wins over /c and /s", "FISH.exe", true, "/s /c /p", 0, ""},
        {"/r finishes an install", "FISH.exe", true, "/r /c", 0, ""},
        {"/r inside a path", "FISH.exe", false, "C:/r/x.exe", 0, ""},
        {"/z path with /s in it", "FISH.exe", true, "/zC:/saver/tank.exe", SAVER, "saver"},
        {"upper-case switches are no switches", "FISH.exe", true, "/S /C /P", INSTALL, "install"},
        {"no trailer, installer name", "FISH.exe", false, "", code(-4), ""},
        {"no trailer, saver name", "FISH.scr", false, "", code(-4), ""},
        {"no trailer, /c", "FISH.exe", false, "/c", code(-4), ""},
        {"no trailer, /p still ends with 0", "FISH.scr", false, "/p 1", 0, ""},
        {"a 10,000-character command line", "FISH.exe", true, "/q " + std::string(10000, 'x'), INSTALL, "install"},
    }, testEngine());
}

TEST_F(EngineRun, SplashBitmapsAreReadFromBehindTheEngineImage) {
    struct Row {
        const char *label;
        std::vector<unsigned char> splash;
        const char *args;
        DWORD expected;
    };
    std::vector<unsigned char> notABitmap(200, 'x');
    std::vector<unsigned char> truncated = bitmapFileImage(16, 16);
    truncated.resize(truncated.size() - 10);
    const Row rows[] = {
        {"a good bitmap, saver", bitmapFileImage(16, 16), "/s", SAVER},
        {"a good bitmap, settings", bitmapFileImage(16, 16), "/c", SETTINGS},
        {"no BM", notABitmap, "/s", code(-6)},
        {"installer mode never reads it", notABitmap, "", INSTALL},
    };
    for (const Row &row : rows) {
        const std::string path = place("SPLASH.exe", false);
        addTrailer(path, row.splash);
        EXPECT_EQ(row.expected, run(path, row.args)) << row.label;
    }
}

TEST_F(EngineRun, SizesPastTheSignedRangeNeverBecomeOffsets) {
    const std::string path = place("HUGE.scr", false);
    PayloadTrailer trailer = {};
    trailer.imageASize = 0x7FFFFFF0u;
    trailer.imageBSize = 0x7FFFFFF0u;
    trailer.splash1Size = 0x100u;
    trailer.splash2Size = 0x100u;
    addTrailer(path, {}, &trailer);
    EXPECT_EQ(code(-5), run(path, "/s")) << "the second bitmap's offset would pass 2^31 - 1";
}

TEST_F(EngineRun, ASecondInstanceOfTheSameFileExitsAtOnce) {
    const std::string path = place("FISH.scr", true);
    HoldEvents hold("lumivex-e2e-" + std::to_string(GetCurrentProcessId()));
    PROCESS_INFORMATION first;
    {
        ScopedEnvironment held("LUMIVEX_TEST_HOLD", hold.name());
        ASSERT_TRUE(startProcess(path, "/s", &first));
    }
    ASSERT_TRUE(hold.waitEntered(RUN_TIMEOUT_MS)) << "the first saver did not start";
    {
        auto tracing = traced();
        EXPECT_EQ(0u, run(path, "/s")) << "second instance";
        EXPECT_EQ(0u, run(path, "/c")) << "second instance in settings mode";
    }
    EXPECT_EQ(std::string("refused\nrefused\n"), trace());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(first.hProcess, 0)) << "the first still runs";
    hold.release();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first.hProcess, RUN_TIMEOUT_MS));
    DWORD firstCode = 0;
    GetExitCodeProcess(first.hProcess, &firstCode);
    EXPECT_EQ(SAVER, firstCode) << "the first saver ends undisturbed";
    CloseHandle(first.hThread);
    CloseHandle(first.hProcess);
    EXPECT_EQ(SAVER, run(path, "/s")) << "after the first ended the next is admitted";
}

TEST_F(EngineRun, ALeftoverFinishingCopyIsDeletedOnTheWayOut) {
    struct Row {
        const char *label;
        bool trailer;
        const char *args;
    };
    const Row rows[] = {
        {"preview run", true, "/p 77"},
        {"saver run", true, "/s"},
        {"run without a trailer", false, ""},
    };
    for (const Row &row : rows) {
        const std::string path = place("FISH.scr", row.trailer);
        const std::string leftover = dir_.file("Inst9753.exe");
        ASSERT_TRUE(writeBytes(leftover, {'M', 'Z'}));
        run(path, row.args);
        EXPECT_FALSE(pathExists(leftover)) << row.label;
    }
    const std::string path = place("FISH.scr", true);
    const std::string leftover = dir_.file("Inst9753.exe");
    ASSERT_TRUE(writeBytes(leftover, {'M', 'Z'}));
    EXPECT_EQ(2u, run(path, "/r \"a\"b\"c\"d")) << "the finishing process, with nothing to move: not committed";
    EXPECT_TRUE(pathExists(leftover)) << "the finishing process leaves its own copy alone";
}

TEST_F(EngineRun, ARefusedInstanceDeletesALeftoverInItsCurrentDirectory) {
    const std::string path = place("FISH.scr", true);
    TempDirectory elsewhere;
    const std::string leftover = elsewhere.file("Inst9753.exe");
    ASSERT_TRUE(writeBytes(leftover, {'M', 'Z'}));
    HoldEvents hold("lumivex-e2e-cwd-" + std::to_string(GetCurrentProcessId()));
    PROCESS_INFORMATION first;
    {
        ScopedEnvironment held("LUMIVEX_TEST_HOLD", hold.name());
        ASSERT_TRUE(startProcess(path, "/s", &first));
    }
    ASSERT_TRUE(hold.waitEntered(RUN_TIMEOUT_MS));
    EXPECT_EQ(0u, run(path, "/s", elsewhere.path()));
    EXPECT_FALSE(pathExists(leftover)) << "the refused instance has an empty engine path";
    hold.release();
    WaitForSingleObject(first.hProcess, RUN_TIMEOUT_MS);
    CloseHandle(first.hThread);
    CloseHandle(first.hProcess);
}

// The platform class as the engine decides it, with the password setting of each class.
TEST_F(EngineRun, PlatformClassAndPasswordSettingAtStartUp) {
    SavedProfileValue value("Lumivex", "Password Value", "system.ini");
    SavedProfileValue protect("Lumivex", "Password Protect", "system.ini");
    struct Row {
        const char *label;
        const char *version;  // the test build's stand-in for the system's version value
        const char *storedValue;
        const char *args;
        const char *expectedTrace;
        const char *valueAfter;
    };
    const std::string fish = std::to_string(reducePassword("fish"));
    const Row rows[] = {
        {"default Wine", "", nullptr, "/s", "class=win95\nprotected=0\nmode=saver\n", "<absent>"},
        {"win95, /a forces protection", "", nullptr, "/a", "class=win95\nprotected=1\nmode=settings\n", "<absent>"},
        {"winNT", "0x00004003", "4444", "/s", "class=winNT\nprotected=0\nmode=saver\n", "4444"},
        {"win31, no password stored", "0x00000003", nullptr, "/s", "class=win31\nprotected=0\nmode=saver\n", "0"},
        {"win31, password and protect", "0x00000003", fish.c_str(), "/s", "class=win31\nprotected=1\nmode=saver\n",
         fish.c_str()},
    };
    for (const Row &row : rows) {
        WritePrivateProfileStringA("Lumivex", "Password Value", row.storedValue, "system.ini");
        WritePrivateProfileStringA("Lumivex", "Password Protect", "1", "system.ini");
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
        DeleteFileA(dir_.file("trace.txt").c_str());
        const std::string path = place("CLASS.exe", true);
        {
            auto tracing = traced();
            ScopedEnvironment version("LUMIVEX_TEST_VERSION", row.version);
            run(path, row.args);
        }
        EXPECT_EQ(row.expectedTrace, trace()) << row.label;
        EXPECT_EQ(row.valueAfter, readProfileText("Lumivex", "Password Value", "system.ini")) << row.label;
    }
}

// The real win31 class: Wine reports Windows NT 3.51 to a program of this file name.
TEST_F(EngineRun, Win31ClassThroughThePerProgramWindowsVersion) {
    SavedProfileValue value("Lumivex", "Password Value", "system.ini");
    ScopedProgramVersion win31("W31CLASS.scr", "nt351");

    const std::string engines[] = {testEngine(), shippedEngine()};
    for (const std::string &engine : engines) {
        WritePrivateProfileStringA("Lumivex", "Password Value", nullptr, "system.ini");
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
        DeleteFileA(dir_.file("trace.txt").c_str());
        const std::string path = place("W31CLASS.scr", true, engine);
        auto tracing = traced();
        EXPECT_EQ(SAVER, run(path, "/s")) << engine;
        EXPECT_EQ("0", readProfileText("Lumivex", "Password Value", "system.ini"))
            << engine << ": only the win31 class reads, and so writes back, the password value";
        if (engine == testEngine()) {
            EXPECT_EQ("class=win31\nprotected=0\nmode=saver\n", trace());
        }
    }
}

TEST_F(EngineRun, TheShippedEngineFollowsTheSameTable) {
    ASSERT_TRUE(pathExists(shippedEngine())) << "--shipped-engine=PATH";
    checkDecisions({
        {"saver", "FISH.scr", true, "/s", SAVER, ""},
        {"Configure: nothing after the name", "FISH.scr", true, "", SETTINGS, ""},
        {"settings", "FISH.scr", true, "/c", SETTINGS, ""},
        {"installer", "FISH.exe", true, "", INSTALL, ""},
        {"preview", "FISH.scr", true, "/p 1", 0, ""},
        {"no trailer", "FISH.exe", false, "", code(-4), ""},
    }, shippedEngine());
}

}  // namespace
