// Installing installer files that the assembler made, under Wine: the files in the Windows
// directory byte for byte, the settings, and every message box read back from its window.
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <cstring>

#include "install_fixture.h"

namespace {

TEST_F(InstallRun, Win95ClassInstallsUnderTheDescriptionsName) {
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    ASSERT_FALSE(installer.empty());
    const AnsweredRun run = install(installer);
    EXPECT_EQ(0u, run.process.exitCode);
    expectOneBox(run, INSTALLED, "success");

    const auto bytes = readBytes(installer);
    EXPECT_EQ(expectedSaver(bytes, false), readBytes(inWindows("Fish Tank.scr"))) << "image B, bitmaps, trailer";
    EXPECT_EQ(readBytes(player_), readBytes(inWindows("Fish Tank.exe")));
    EXPECT_FALSE(pathExists(inWindows("Inst9754.scr"))) << "the temporary saver was moved";
    EXPECT_FALSE(pathExists(inWindows("Inst9755.exe"))) << "the temporary player was moved";
    EXPECT_TRUE(pathExists(inWindows("Inst9753.exe"))) << "the finishing copy stays until an engine there ends";

    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(inWindows("Fish Tank.scr").c_str(), shortPath, MAX_PATH);
    const std::string registered = readProfileText("boot", "scrnsave.exe", "system.ini");
    EXPECT_EQ(shortPath, registered);
    EXPECT_EQ(std::string::npos, registered.find(' ')) << registered;

    // The next engine that ends in the Windows directory removes the finishing copy.
    EXPECT_EQ(0u, runProcess(inWindows("Fish Tank.scr"), "/p 1", RUN_TIMEOUT_MS).exitCode);
    EXPECT_FALSE(pathExists(inWindows("Inst9753.exe")));
}

// An installer with a description may lie in the Windows directory itself (downloaded there, say):
// it writes the temporary files and moves them to the description's name, so it is none of its own
// files and installs, with its message and quietly. The shipped engine, as a user has it.
TEST_F(InstallRun, ADescribedInstallerInTheWindowsDirectoryInstalls) {
    struct Row {
        const char *label;
        const char *args;
        std::vector<std::string> boxes;
    };
    const Row rows[] = {{"with its message", "", {INSTALLED}}, {"quietly", "/q", {}}};
    const std::string made = assemble("MADE.exe", "Fish Tank", "0x4000", "", shippedEngine());
    ASSERT_FALSE(made.empty());
    const std::string installer = inWindows("FISHSET.EXE");
    for (const Row &row : rows) {
        ASSERT_TRUE(CopyFileA(made.c_str(), installer.c_str(), FALSE)) << row.label;
        const AnsweredRun run = install(installer, row.args);
        EXPECT_EQ(0u, run.process.exitCode) << row.label;
        std::vector<std::string> boxes;
        for (const DialogText &box : run.boxes) boxes.push_back(box.text);
        EXPECT_EQ(row.boxes, boxes) << row.label;
        EXPECT_EQ(readBytes(made), readBytes(installer)) << row.label << ": the installer itself is untouched";
        EXPECT_EQ(expectedSaver(readBytes(made), false), readBytes(inWindows("Fish Tank.scr"))) << row.label;
        EXPECT_EQ(readBytes(player_), readBytes(inWindows("Fish Tank.exe"))) << row.label;
        char shortPath[MAX_PATH] = {};
        GetShortPathNameA(inWindows("Fish Tank.scr").c_str(), shortPath, MAX_PATH);
        EXPECT_EQ(shortPath, readProfileText("boot", "scrnsave.exe", "system.ini")) << row.label;
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
    }
}

// On Windows Vista and later a refused first write makes an installer that is not elevated start
// itself again as the administrator, with the same command line, and end with that copy's exit
// code; the system's question, its answer and the refused write come from the test build's hooks,
// the copy's start is real (Wine starts it at once) unless a row says otherwise. Where asking
// cannot help, or the write failed for another reason, the installer says so; nothing is written.
TEST_F(InstallRun, ARefusedFirstWriteOnTodaysWindowsAsksForTheAdministratorsRights) {
    const char *const VISTA = "0x17700006", *const XP = "0x0A280105";
    struct Row {
        const char *label;
        const char *version, *writeError, *elevated, *relaunch;  // relaunch null: a real start
        const char *args;
        DWORD expected;
        const char *box;  // null: none
        bool relaunched, installed;
    };
    const Row rows[] = {
        {"the elevated copy installs", VISTA, "5", "0", nullptr, "/q", 0, nullptr, true, true},
        {"the user declines the system's question", VISTA, "5", "0", "declined", "", code(-200), nullptr, true, false},
        {"the copy cannot be started", VISTA, "5", "0", "failed", "", code(-2), NEEDS_RIGHTS, true, false},
        {"elevated already: the copy never asks again", VISTA, "5", "1", "declined", "", code(-2), NEEDS_RIGHTS, false,
         false},
        {"Windows XP has nobody to ask", XP, "5", "0", "declined", "", code(-2), NEEDS_RIGHTS, false, false},
        {"a full disk is no matter of rights", VISTA, "112", "0", "declined", "", code(-2), FAILED, false, false},
    };
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    const std::string trace = dir_.file("trace.txt");
    for (const Row &row : rows) {
        DeleteFileA(trace.c_str());
        std::vector<std::unique_ptr<ScopedEnvironment>> hooks;
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_VERSION", row.version));
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_WRITE_ERROR", row.writeError));
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_ELEVATED", row.elevated));
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_TRACE", trace));
        if (row.relaunch != nullptr) hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_RELAUNCH", row.relaunch));
        const AnsweredRun run = install(installer, row.args);
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        if (row.box != nullptr) {
            expectOneBox(run, row.box, row.label);
        } else {
            EXPECT_TRUE(run.boxes.empty()) << row.label;
        }
        const auto traced = readBytes(trace);
        const std::string lines(traced.begin(), traced.end());
        EXPECT_EQ(row.relaunched, lines.find("relaunch " + installer + " " + row.args) != std::string::npos)
            << row.label << ": " << lines;
        EXPECT_EQ(row.installed, pathExists(inWindows("Fish Tank.scr"))) << row.label;
        EXPECT_EQ(row.installed, pathExists(inWindows("Fish Tank.exe"))) << row.label;
        EXPECT_FALSE(pathExists(inWindows("Inst9754.scr"))) << row.label << ": nothing left behind";
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
    }
}

void collectBytes(void *context, void *data, int size) {
    auto *bytes = static_cast<std::vector<unsigned char> *>(context);
    bytes->insert(bytes->end(), static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
}

bool isMagenta(COLORREF c) { return c == RGB(255, 0, 255); }

// A maker's own player and a PNG splash picture, as the README tells makers to give them: the
// example player that keeps the engine's contract plays and ends on a key; the PNG picture of two
// colours becomes an 8-bit BMP picture of exactly those colours, which the settings window shows.
TEST_F(InstallRun, AMakersPngPictureAndTheExamplePlayerInstallAndRun) {
    const int width = 120, height = 40;
    std::vector<unsigned char> rgb(static_cast<size_t>(width * height) * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        const bool band = (i / 3) % static_cast<size_t>(width) < 60;  // magenta left, teal right
        rgb[i] = band ? 255 : 0, rgb[i + 1] = band ? 0 : 128, rgb[i + 2] = band ? 255 : 128;
    }
    std::vector<unsigned char> png;
    ASSERT_TRUE(stbi_write_png_to_func(collectBytes, &png, width, height, 3, rgb.data(), width * 3));
    const std::string picture = dir_.file("banner.png");
    ASSERT_TRUE(writeBytes(picture, png));
    const std::string out = dir_.file("FISH.exe");
    const ProcessResult made =
        runProcess(pack(),
                   "build --engine \"" + engine() + "\" --player \"" + toWindowsPath(testOption("example-player")) +
                       "\" --splash1 \"" + picture + "\" --name \"Fish Tank\" -o \"" + out + "\"",
                   RUN_TIMEOUT_MS);
    ASSERT_EQ(0u, made.exitCode);
    ASSERT_EQ(0u, install(out, "/q").process.exitCode);

    // The installed saver's first splash picture: an 8-bit BMP whose table holds the two colours.
    const auto saver = readBytes(inWindows("Fish Tank.scr"));
    PayloadTrailer t;
    std::memcpy(&t, saver.data() + saver.size() - TRAILER_SIZE, TRAILER_SIZE);
    const unsigned char *bmp = saver.data() + t.imageBSize;
    ASSERT_EQ('B', bmp[0]);
    EXPECT_EQ(8, bmp[28]) << "bits per pixel";
    EXPECT_EQ(2, bmp[46]) << "colours in the table";

    // The settings window shows it.
    PROCESS_INFORMATION settings;
    ASSERT_TRUE(startProcess(inWindows("Fish Tank.scr"), "/c", &settings));
    HWND window = waitForVisibleWindow(settings, "Lumivex", nullptr, RUN_TIMEOUT_MS);
    ASSERT_NE(nullptr, window);
    RECT shown;
    GetWindowRect(window, &shown);
    WaitForSingleObject(settings.hProcess, 500);  // the first paint
    EXPECT_GT(countPixels(grabScreen(shown), 0, shown.bottom - shown.top, isMagenta), 60 * 40 / 2)
        << "the PNG picture's magenta half on the screen";
    ASSERT_TRUE(bringToFront(window));
    pressKey(VK_SPACE);
    EXPECT_EQ(0u, finishProcess(settings, RUN_TIMEOUT_MS));

    // The example player plays and a key ends it, and with it the saver.
    PROCESS_INFORMATION saverRun;
    ASSERT_TRUE(startProcess(inWindows("Fish Tank.scr"), "/s", &saverRun));
    HWND show = nullptr;
    for (const DWORD start = GetTickCount(); show == nullptr && GetTickCount() - start < RUN_TIMEOUT_MS;) {
        show = FindWindowA("LumivexExamplePlayer", nullptr);
        if (show == nullptr || !IsWindowVisible(show)) show = nullptr, WaitForSingleObject(saverRun.hProcess, 20);
    }
    ASSERT_NE(nullptr, show) << "the example player's window";
    EXPECT_NE(0, GetWindowLongA(show, GWL_EXSTYLE) & WS_EX_TOPMOST) << "top-most, as the contract asks";
    ASSERT_TRUE(bringToFront(show));
    pressKey(VK_SPACE);
    EXPECT_EQ(0u, finishProcess(saverRun, RUN_TIMEOUT_MS)) << "the player's end ends the saver";
}

TEST_F(InstallRun, OldFilesOfTheFinalNamesAreReplaced) {
    ASSERT_TRUE(writeBytes(inWindows("Fish Tank.scr"), {'o', 'l', 'd'}));
    ASSERT_TRUE(writeBytes(inWindows("Fish Tank.exe"), {'o', 'l', 'd'}));
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    const AnsweredRun run = install(installer, "/q");
    EXPECT_EQ(0u, run.process.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << "quiet: no message, and the temporary names need no question";
    EXPECT_EQ(expectedSaver(readBytes(installer), false), readBytes(inWindows("Fish Tank.scr")));
    EXPECT_EQ(readBytes(player_), readBytes(inWindows("Fish Tank.exe")));
}

TEST_F(InstallRun, SaverActivationIsRepairedWhateverTheOutcome) {
    struct Row {
        const char *label;
        const char *active, *timeout;
        const char *activeAfter, *timeoutAfter;
    };
    const Row rows[] = {
        {"inactive", "0", "600", "1", "180"},
        {"timeout below a minute", "1", "30", "1", "180"},
        {"already sound", "1", "60", "1", "60"},
    };
    const std::string installer = assemble("FISH.exe", "Fish Tank", "0");  // refused on winNT only
    for (const Row &row : rows) {
        WriteProfileStringA("windows", "ScreenSaveActive", row.active);
        WriteProfileStringA("windows", "ScreenSaveTimeout", row.timeout);
        ScopedEnvironment nt("LUMIVEX_TEST_VERSION", "0x00004003");
        const AnsweredRun run = install(installer);
        EXPECT_EQ(code(-2999), run.process.exitCode) << row.label;
        EXPECT_EQ(row.activeAfter, readProfileText("windows", "ScreenSaveActive", nullptr)) << row.label;
        EXPECT_EQ(row.timeoutAfter, readProfileText("windows", "ScreenSaveTimeout", nullptr)) << row.label;
    }
}

TEST_F(InstallRun, PayloadsThatDoNotSuitTheClassAreRefused) {
    struct Row {
        const char *label;
        const char *version;  // the test build's stand-in for the version value
        const char *flags;
        DWORD expected;
        const char *text;
    };
    const Row rows[] = {
        {"winNT class, 16-bit payload", "0x00004003", "0", code(-2999),
         "This screen saver requires either Windows 3.1 or Windows 95."},
        {"win31 class, 32-bit payload", "0x00000003", "0x4000", code(-3000),
         "This screen saver requires either Windows 95 or Windows NT."},
    };
    for (const Row &row : rows) {
        const std::string installer = assemble("FISH.exe", "Fish Tank", row.flags);
        ScopedEnvironment version("LUMIVEX_TEST_VERSION", row.version);
        const AnsweredRun run = install(installer);
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        expectOneBox(run, row.text, row.label);
        for (const char *name : WINDOWS_FILES) EXPECT_FALSE(pathExists(inWindows(name))) << row.label << ": " << name;
    }
}

TEST_F(InstallRun, WinNTClassWithA32BitPayloadInstalls) {
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    ScopedEnvironment nt("LUMIVEX_TEST_VERSION", "0x00004003");
    const AnsweredRun run = install(installer);
    EXPECT_EQ(0u, run.process.exitCode);
    expectOneBox(run, INSTALLED, "winNT");
    EXPECT_EQ(expectedSaver(readBytes(installer), false), readBytes(inWindows("Fish Tank.scr")));
}

// The win31 class as Wine reports it to a program of this name: no temporary names, image A,
// the full path in system.ini.
class Win31InstallRun : public InstallRun {
protected:
    ScopedProgramVersion win31_{"FISH31.exe", "nt351"};
};

TEST_F(Win31InstallRun, InstallsImageAUnderItsOwnNameAndRegistersTheFullPath) {
    const std::string installer = assemble("FISH31.exe", "Fish Tank", "0");
    const AnsweredRun run = install(installer);
    EXPECT_EQ(0u, run.process.exitCode);
    expectOneBox(run, INSTALLED, "win31");
    EXPECT_EQ(expectedSaver(readBytes(installer), true), readBytes(inWindows("FISH31.scr")));
    EXPECT_EQ(readBytes(player_), readBytes(inWindows("FISH31.exe")));
    EXPECT_FALSE(pathExists(inWindows("Inst9753.exe"))) << "no finishing process on this class";
    EXPECT_EQ(inWindows("FISH31.scr"), readProfileText("boot", "scrnsave.exe", "system.ini"));
}

TEST_F(Win31InstallRun, ExistingTargetsAskBeforeOverwriting) {
    const std::string installer = assemble("FISH31.exe", "Fish Tank", "0");
    ASSERT_TRUE(writeBytes(inWindows("FISH31.exe"), {'o', 'l', 'd'}));
    const std::string question = "Overwrite " + inWindows("FISH31.scr") + " and " + inWindows("FISH31.exe") + "?";

    const AnsweredRun cancelled = install(installer, "", answerCancel);
    EXPECT_EQ(code(-200), cancelled.process.exitCode);
    expectOneBox(cancelled, question.c_str(), "Cancel: the question and nothing after it");
    EXPECT_FALSE(pathExists(inWindows("FISH31.scr"))) << "nothing written after Cancel";
    EXPECT_EQ(std::vector<unsigned char>({'o', 'l', 'd'}), readBytes(inWindows("FISH31.exe")));

    const AnsweredRun confirmed = install(installer);
    EXPECT_EQ(0u, confirmed.process.exitCode);
    ASSERT_EQ(2u, confirmed.boxes.size());
    EXPECT_EQ(question, confirmed.boxes[0].text);
    EXPECT_EQ(INSTALLED, confirmed.boxes[1].text);
    EXPECT_EQ(readBytes(player_), readBytes(inWindows("FISH31.exe")));
}

TEST_F(Win31InstallRun, AnInstallerInItsOwnTargetDirectoryIsRefused) {
    const std::string made = assemble("FISH31.exe", "Fish Tank", "0");
    ASSERT_TRUE(CopyFileA(made.c_str(), inWindows("FISH31.exe").c_str(), FALSE));
    const AnsweredRun run = install(inWindows("FISH31.exe"));
    EXPECT_EQ(code(-4), run.process.exitCode);
    expectOneBox(run, "The installer cannot be run from your Windows directory.", "own target");
    EXPECT_FALSE(pathExists(inWindows("FISH31.scr")));
}

TEST_F(InstallRun, ATruncatedInstallerFileIsRefusedBeforeAnythingIsWritten) {
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    const auto bytes = readBytes(installer);
    ASSERT_TRUE(writeBytes(installer, cutInsideThePlayer(bytes)));
    const AnsweredRun run = install(installer);
    EXPECT_EQ(code(-100), run.process.exitCode);
    expectOneBox(run, FAILED, "truncated");
    for (const char *name : WINDOWS_FILES) EXPECT_FALSE(pathExists(inWindows(name))) << name;
}

TEST_F(InstallRun, AnExternalPlayerReplacesTheCarriedOne) {
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    const std::string external = dir_.file("Aquarium.exe");
    ASSERT_TRUE(writeBytes(external, std::vector<unsigned char>(1234, 0x5A)));
    const AnsweredRun run = install(installer, "/z" + external);
    EXPECT_EQ(0u, run.process.exitCode);
    expectOneBox(run, INSTALLED, "/z");
    EXPECT_EQ(readBytes(external), readBytes(inWindows("Fish Tank.exe")));
    PayloadTrailer t;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(inWindows("Fish Tank.scr").c_str(), &t));
    EXPECT_EQ(1234u, t.playerSize) << "the saver's trailer describes the external player";
    char text[TAG_TEXT_CAPACITY];
    ASSERT_EQ(FileResult::Ok, readDescriptionTag(inWindows("Fish Tank.scr").c_str(), DESCRIPTION_TAG, text));
    EXPECT_STREQ("Aquarium", text) << "the installed saver's description names the external player";
}

TEST_F(InstallRun, AMissingOrOverlongExternalPlayerFails) {
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    struct Row {
        const char *label;
        std::string args;
        DWORD expected;
    };
    const Row rows[] = {
        {"missing file", "/z" + dir_.file("gone.exe"), code(-1)},
        {"path longer than 259 characters", "/z" + dir_.file(std::string(300, 'p') + ".exe"), code(-1)},
    };
    for (const Row &row : rows) {
        const AnsweredRun run = install(installer, row.args);
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        expectOneBox(run, FAILED, row.label);
        EXPECT_FALSE(pathExists(inWindows("Fish Tank.scr"))) << row.label;
        EXPECT_FALSE(pathExists(inWindows("Fish Tank.exe"))) << row.label;
    }
}

// The finishing process moves the temporary files and deletes what the final names hold, so a
// final name equal to a working name (the file system ignores letter case) would destroy the new
// saver. Such a description gives way to the installer's own name; when that is one too, the
// install fails before writing anything and the saver registered before stays as it was.
TEST_F(InstallRun, NamesOfTheWorkingFilesNeverBecomeFinalNames) {
    struct Row {
        const char *label;
        const char *fileName;
        const char *description;  // null: none
        DWORD expected;
        const char *finalName;  // null: nothing installed
    };
    const Row rows[] = {
        {"description names the temporary saver in lower case", "FISH.exe", "inst9754", 0, "FISH"},
        {"description names the finishing copy in upper case", "FISH.exe", "INST9753", 0, "FISH"},
        {"no description, installer named like the temporary player", "inst9755.exe", nullptr, code(-100), nullptr},
        {"both name the temporary saver", "INST9754.EXE", "Inst9754", code(-100), nullptr},
    };
    const std::string made = assemble("MADE.exe", "Fish Tank");
    const std::vector<unsigned char> oldSaver = {'o', 'l', 'd'};
    for (const Row &row : rows) {
        ASSERT_TRUE(writeBytes(inWindows("OLD.scr"), oldSaver));
        WritePrivateProfileStringA("boot", "scrnsave.exe", inWindows("OLD.scr").c_str(), "system.ini");
        const std::string installer = dir_.file(row.fileName);
        ASSERT_TRUE(writeBytes(installer, withDescription(readBytes(made), row.description))) << row.label;

        const AnsweredRun run = install(installer);
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        expectOneBox(run, row.finalName != nullptr ? INSTALLED : FAILED, row.label);
        EXPECT_FALSE(pathExists(inWindows("Inst9754.scr"))) << row.label << ": no temporary saver left";
        EXPECT_FALSE(pathExists(inWindows("Inst9755.exe"))) << row.label << ": no temporary player left";
        if (row.finalName != nullptr) {
            const std::string saver = inWindows(std::string(row.finalName) + ".scr");
            EXPECT_EQ(expectedSaver(readBytes(installer), false), readBytes(saver)) << row.label;
            EXPECT_EQ(readBytes(player_), readBytes(inWindows(std::string(row.finalName) + ".exe"))) << row.label;
            char shortPath[MAX_PATH] = {};
            GetShortPathNameA(saver.c_str(), shortPath, MAX_PATH);
            EXPECT_EQ(shortPath, readProfileText("boot", "scrnsave.exe", "system.ini")) << row.label;
        } else {
            EXPECT_FALSE(pathExists(inWindows("Inst9753.exe"))) << row.label << ": no finishing copy";
            EXPECT_EQ(inWindows("OLD.scr"), readProfileText("boot", "scrnsave.exe", "system.ini")) << row.label;
            EXPECT_EQ(oldSaver, readBytes(inWindows("OLD.scr"))) << row.label;
        }
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
    }
}

// A system whose code page has double-byte characters: ctest runs this suite in a Japanese
// locale, for which Wine gives every process code page 932 (Shift-JIS).
class CodePage932InstallRun : public InstallRun {};

// A description that ends in a lead byte would swallow the "." of ".scr" as its second byte; it
// gives way to the installer's own name like any unusable one.
TEST_F(CodePage932InstallRun, ADescriptionEndingInALeadByteGivesWayToTheOwnName) {
    ASSERT_EQ(932u, GetACP()) << "the suite runs in a Japanese locale";
    const std::string installer = dir_.file("FISH.exe");
    ASSERT_TRUE(writeBytes(installer, withDescription(readBytes(assemble("MADE.exe", "Fish Tank")), "Fish\x95")));
    const AnsweredRun run = install(installer);
    EXPECT_EQ(0u, run.process.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_TRUE(pathExists(inWindows("FISH.scr"))) << "the saver keeps its extension under the installer's name";
    EXPECT_EQ(readBytes(player_), readBytes(inWindows("FISH.exe")));
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(inWindows("FISH.scr").c_str(), shortPath, MAX_PATH);
    EXPECT_EQ(shortPath, readProfileText("boot", "scrnsave.exe", "system.ini"));
}

// Without a description the final names come from the installer's own name, which may be any
// program's: a file of that name in the Windows directory is replaced only when the user agrees.
TEST_F(InstallRun, AnUntaggedInstallerAsksBeforeReplacingFilesOfItsOwnName) {
    const std::vector<unsigned char> sentinel = {'s', 'e', 'n', 't', 'r', 'y'};
    const std::string question = "Overwrite " + inWindows("SENTRY.scr") + " and " + inWindows("SENTRY.exe") + "?";
    struct Row {
        const char *label;
        const char *args;
        BoxAnswer answer;
        DWORD expected;
        std::vector<std::string> boxes;
        bool replaced;
    };
    const Row rows[] = {
        {"Cancel keeps the file", "", answerCancel, code(-200), {question}, false},
        {"quietly nothing is replaced unasked", "/q", answerOk, code(-200), {}, false},
        {"OK replaces it", "", answerOk, 0, {question, INSTALLED}, true},
    };
    const std::string installer = dir_.file("SENTRY.exe");
    ASSERT_TRUE(writeBytes(installer, withDescription(readBytes(assemble("MADE.exe", "Fish Tank")), nullptr)));
    for (const Row &row : rows) {
        ASSERT_TRUE(writeBytes(inWindows("SENTRY.exe"), sentinel));
        const AnsweredRun run = install(installer, row.args, row.answer);
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        std::vector<std::string> boxes;
        for (const DialogText &box : run.boxes) boxes.push_back(box.text);
        EXPECT_EQ(row.boxes, boxes) << row.label;
        EXPECT_EQ(row.replaced ? readBytes(player_) : sentinel, readBytes(inWindows("SENTRY.exe"))) << row.label;
        EXPECT_EQ(row.replaced, pathExists(inWindows("SENTRY.scr"))) << row.label;
        EXPECT_FALSE(pathExists(inWindows("Inst9754.scr"))) << row.label << ": nothing written before the answer";
        EXPECT_FALSE(pathExists(inWindows("Inst9755.exe"))) << row.label;
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
    }
}

// With "/z" the carried player is not used, so a cut inside it does not stop the install.
TEST_F(InstallRun, AnExternalPlayerRepairsAnInstallerCutInsideItsPlayer) {
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    const auto bytes = readBytes(installer);
    ASSERT_TRUE(writeBytes(installer, cutInsideThePlayer(bytes)));
    const std::string external = dir_.file("Aquarium.exe");
    ASSERT_TRUE(writeBytes(external, std::vector<unsigned char>(1234, 0x5A)));
    const AnsweredRun run = install(installer, "/z" + external);
    EXPECT_EQ(0u, run.process.exitCode);
    expectOneBox(run, INSTALLED, "cut installer with /z");
    EXPECT_EQ(readBytes(external), readBytes(inWindows("Fish Tank.exe")));
    const auto saver = readBytes(inWindows("Fish Tank.scr"));
    const auto expected = expectedSaver(bytes, false);
    ASSERT_EQ(expected.size(), saver.size());
    PayloadTrailer t;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(inWindows("Fish Tank.scr").c_str(), &t));
    EXPECT_EQ(1234u, t.playerSize);
    EXPECT_EQ(std::string::npos, readProfileText("boot", "scrnsave.exe", "system.ini").find("Inst")) << "registered";
}

// A maker who hands an installer file to the assembler as the player gets a whole installer file
// that installs that file, byte for byte, as the player.
TEST_F(InstallRun, AnInstallerFileGivenAsThePlayerIsInstalledWhole) {
    const std::string inner = assemble("INNER.exe", "Inner");
    ASSERT_FALSE(inner.empty());
    const std::string installer = assemble("FISH.exe", "Fish Tank", "0x4000", inner);
    ASSERT_FALSE(installer.empty());
    const AnsweredRun run = install(installer);
    EXPECT_EQ(0u, run.process.exitCode);
    expectOneBox(run, INSTALLED, "installer as the player");
    EXPECT_EQ(readBytes(inner), readBytes(inWindows("Fish Tank.exe")));
    EXPECT_EQ(expectedSaver(readBytes(installer), false), readBytes(inWindows("Fish Tank.scr")));
}

TEST_F(InstallRun, AnInstallerWithoutADescriptionUsesItsOwnName) {
    const std::string made = assemble("FISH.exe", "Fish Tank");
    const std::string installer = dir_.file("NOTAG.exe");
    auto bytes = readBytes(made);
    int32_t tagAt = 0;
    ASSERT_NE(0, findTagInBuffer(DESCRIPTION_TAG, bytes.data(), TAG_SEARCH_WINDOW, &tagAt));
    std::fill(bytes.begin() + tagAt, bytes.begin() + tagAt + 10, 0);
    ASSERT_TRUE(writeBytes(installer, bytes));

    const AnsweredRun run = install(installer);
    EXPECT_EQ(0u, run.process.exitCode);
    expectOneBox(run, INSTALLED, "no description");
    EXPECT_TRUE(pathExists(inWindows("NOTAG.scr"))) << "the saver and its player share the installer's name";
    EXPECT_EQ(readBytes(player_), readBytes(inWindows("NOTAG.exe")));
    EXPECT_FALSE(pathExists(inWindows("Inst9754.scr")));
}

}  // namespace

namespace {

// The folder of a download on a Western system, named in Greek and Chinese letters with a blank:
// its ANSI form has "?" for each letter.
const wchar_t FOREIGN_FOLDER[] = L"\x03a8\x03ac\x03c1\x03b9\x03b1 \x9b5a";

std::wstring widened(const std::string &text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return wide;
}

// Runs a program given by its UTF-16 path, answering its boxes.
AnsweredRun runWide(const std::wstring &program, const std::wstring &args, BoxAnswer answer = answerOk) {
    std::wstring line = L"\"" + program + L"\" " + args;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return AnsweredRun{};
    }
    return answerProcess(info, RUN_TIMEOUT_MS, answer);
}

}  // namespace

// An installer in a folder whose name the system's code page cannot write finds its own file by
// its UTF-16 name's short form, and so does a "/z" player there; where the volume keeps no short
// names, the installer says why it cannot go on and what to do.
TEST_F(InstallRun, AnInstallerInAFolderNamedInAnotherScriptInstalls) {
    char ansi[MAX_PATH];
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, 0, FOREIGN_FOLDER, -1, ansi, MAX_PATH, nullptr, &lossy);
    ASSERT_TRUE(lossy) << "code page " << GetACP() << " writes the folder's name: the test shows nothing";
    const std::wstring folder = widened(dir_.file("")) + FOREIGN_FOLDER;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring player = folder + L"\\" + FOREIGN_FOLDER + L".exe";
    ASSERT_TRUE(CopyFileW(widened(player_).c_str(), player.c_str(), FALSE));
    const char *const FOLDER_NAME =
        "The screen saver cannot open its files, because the name of their folder has letters that this system's "
        "language setting cannot write. Please move the files to a folder with a plain name, such as C:\\Downloads, "
        "and run it again.";
    struct Row {
        const char *label;
        bool shipped;
        const char *noShortNames;  // "1": the test build's volume without short names
        std::wstring args;
        DWORD expected;
        std::vector<std::string> boxes;
    };
    const Row rows[] = {
        {"with its message", true, "", L"", 0, {INSTALLED}},
        {"quietly", true, "", L"/q", 0, {}},
        {"with a player of that folder", true, "", L"/q /z" + player, 0, {}},
        {"no short names", false, "1", L"/q", code(-2), {FOLDER_NAME}},
    };
    for (const Row &row : rows) {
        const std::string made =
            assemble("MADE.exe", "Fish Tank", "0x4000", "", row.shipped ? shippedEngine() : engine());
        const std::wstring installer = folder + L"\\FISH.exe";
        ASSERT_TRUE(CopyFileW(widened(made).c_str(), installer.c_str(), FALSE)) << row.label;
        ScopedEnvironment shortNames("LUMIVEX_TEST_NO_SHORT_NAMES", row.noShortNames);
        const AnsweredRun run = runWide(installer, row.args);
        EXPECT_TRUE(waitForProcessesNamed("Inst9753.exe", RUN_TIMEOUT_MS)) << row.label;
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        std::vector<std::string> boxes;
        for (const DialogText &box : run.boxes) boxes.push_back(box.text);
        EXPECT_EQ(row.boxes, boxes) << row.label;
        EXPECT_EQ(row.expected == 0, pathExists(inWindows("Fish Tank.scr"))) << row.label;
        if (row.expected == 0) {
            EXPECT_EQ(readBytes(player_), readBytes(inWindows("Fish Tank.exe"))) << row.label;
        }
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
        DeleteFileW(installer.c_str());
    }
    DeleteFileW(player.c_str());
    RemoveDirectoryW(folder.c_str());
}
