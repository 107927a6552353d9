// Removing an installed saver as the list of programs does, under Wine, on the shipped engine:
// the entry an install writes, its UninstallString run with the question answered, and what the
// removal leaves of the files, the entry and the system's saver.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "install_fixture.h"

namespace {

const char ENTRY_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char HELPER[] = "Inst9757.exe";

// A value of the saver's entry under the root ("" or 0 when it has none).
std::string entryText(HKEY root, const std::string &saverFile, const char *name) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (ENTRY_KEY + saverFile).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(value), &size);
    RegCloseKey(key);
    return value;
}

DWORD entryNumber(HKEY root, const std::string &saverFile, const char *name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (ENTRY_KEY + saverFile).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size);
    RegCloseKey(key);
    return value;
}

bool entryExists(const std::string &saverFile) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, (ENTRY_KEY + saverFile).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return true;
        }
    }
    return false;
}

std::string tempPath(const char *name) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

// The files that the system deletes at its next start, as MoveFileEx records them.
std::string pendingDeletions() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return "";
    }
    std::vector<char> value(65536);
    DWORD size = static_cast<DWORD>(value.size() - 2);
    RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE *>(value.data()),
                     &size);
    RegCloseKey(key);
    for (DWORD i = 0; i < size; ++i) {
        if (value[i] == '\0') value[i] = '|';
    }
    return std::string(value.data(), size);
}

struct Removal {
    AnsweredRun saver;   // the saver's own run: the question
    AnsweredRun helper;  // the helper in the temporary folder: the outcome
};

class RemovalRun : public InstallRun {
protected:
    void TearDown() override {
        waitForProcessesNamed(HELPER, RUN_TIMEOUT_MS);
        DeleteFileA(tempPath(HELPER).c_str());
        for (const char *file : {"Fish Tank.scr", "SENTRY.scr"}) {
            for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
                RegDeleteKeyA(root, (ENTRY_KEY + std::string(file)).c_str());
        }
        InstallRun::TearDown();
    }

    // Installs the saver quietly from an installer of the shipped engine.
    void installShipped(const std::string &saverName) {
        const std::string installer = assemble(saverName + "-setup.exe", saverName, "0x4000", "", shippedEngine());
        ASSERT_FALSE(installer.empty());
        const AnsweredRun run = install(installer, "/q");
        ASSERT_EQ(0u, run.process.exitCode) << saverName;
        ASSERT_TRUE(pathExists(inWindows(saverName + ".scr"))) << saverName;
    }

    // Runs the entry's UninstallString (with " /q" for its QuietUninstallString), answering the
    // saver's question and then the helper's message.
    static Removal removeFromList(const std::string &saverFile, bool quiet, BoxAnswer answer = answerOk) {
        const std::string command =
            entryText(HKEY_LOCAL_MACHINE, saverFile, quiet ? "QuietUninstallString" : "UninstallString");
        Removal removal = {};
        EXPECT_EQ('"', command.empty() ? ' ' : command[0]) << saverFile << ": " << command;
        const size_t close = command.find('"', 1);
        if (command.empty() || close == std::string::npos) return removal;
        removal.saver = runAnswering(command.substr(1, close - 1), command.substr(close + 2), RUN_TIMEOUT_MS, answer);
        removal.helper = answerProcessNamed(HELPER, RUN_TIMEOUT_MS);
        EXPECT_TRUE(waitForProcessesNamed(HELPER, RUN_TIMEOUT_MS)) << "the removal helper did not end";
        return removal;
    }

    static std::vector<std::string> texts(const AnsweredRun &run) {
        std::vector<std::string> boxes;
        for (const DialogText &box : run.boxes) boxes.push_back(box.text);
        return boxes;
    }

    void expectInstalled(const char *name, const char *label) {
        EXPECT_TRUE(pathExists(inWindows(std::string(name) + ".scr"))) << label;
        EXPECT_TRUE(pathExists(inWindows(std::string(name) + ".exe"))) << label;
        EXPECT_TRUE(entryExists(std::string(name) + ".scr")) << label;
    }
};

// The entry as an install writes it, and its UninstallString answered with OK: both files, the
// entry and the helper's file in the Windows directory are gone, the saver registered before is
// registered again, the activation settings are as they were, and the helper in the temporary
// folder goes at the next start.
TEST_F(RemovalRun, TheListsEntryRemovesTheSaverAndGivesBackTheEarlierOne) {
    const std::string earlier = inWindows("OLD.scr");
    ASSERT_TRUE(writeBytes(earlier, {'o', 'l', 'd'}));
    WritePrivateProfileStringA("boot", "scrnsave.exe", earlier.c_str(), "system.ini");
    installShipped("Fish Tank");

    const std::string saver = inWindows("Fish Tank.scr");
    const struct {
        const char *name;
        std::string expected;
    } texts_[] = {
        {"DisplayName", "Fish Tank (screen saver)"},
        {"UninstallString", "\"" + saver + "\" /u"},
        {"QuietUninstallString", "\"" + saver + "\" /u /q"},
        {"DisplayIcon", saver},
        {"PreviousScreenSaver", earlier},
    };
    for (const auto &value : texts_) {
        EXPECT_EQ(value.expected, entryText(HKEY_LOCAL_MACHINE, "Fish Tank.scr", value.name)) << value.name;
    }
    uint32_t saverBytes = 0, playerBytes = 0;
    getFileSize(saver.c_str(), &saverBytes);
    getFileSize(inWindows("Fish Tank.exe").c_str(), &playerBytes);
    EXPECT_EQ(1u, entryNumber(HKEY_LOCAL_MACHINE, "Fish Tank.scr", "NoModify"));
    EXPECT_EQ(1u, entryNumber(HKEY_LOCAL_MACHINE, "Fish Tank.scr", "NoRepair"));
    EXPECT_EQ((saverBytes + playerBytes + 1023) / 1024,
              entryNumber(HKEY_LOCAL_MACHINE, "Fish Tank.scr", "EstimatedSize"));

    const std::string active = readProfileText("windows", "ScreenSaveActive", nullptr);
    const std::string timeout = readProfileText("windows", "ScreenSaveTimeout", nullptr);
    const Removal removal = removeFromList("Fish Tank.scr", false);
    EXPECT_EQ(0u, removal.saver.process.exitCode);
    EXPECT_EQ(std::vector<std::string>{"Remove the screen saver Fish Tank?"}, texts(removal.saver));
    EXPECT_EQ(0u, removal.helper.process.exitCode);
    EXPECT_EQ(std::vector<std::string>{"The screen saver Fish Tank was removed."}, texts(removal.helper));
    for (const char *name : {"Fish Tank.scr", "Fish Tank.exe", "Inst9756.scr", "Inst9756.exe", HELPER}) {
        EXPECT_FALSE(pathExists(inWindows(name))) << name << " is still in the Windows directory";
    }
    EXPECT_FALSE(entryExists("Fish Tank.scr"));
    EXPECT_EQ(earlier, readProfileText("boot", "scrnsave.exe", "system.ini"));
    EXPECT_EQ(active, readProfileText("windows", "ScreenSaveActive", nullptr));
    EXPECT_EQ(timeout, readProfileText("windows", "ScreenSaveTimeout", nullptr));
    EXPECT_NE(std::string::npos, pendingDeletions().find(HELPER)) << pendingDeletions();
}

TEST_F(RemovalRun, CancelKeepsEverything) {
    installShipped("Fish Tank");
    const std::string registered = readProfileText("boot", "scrnsave.exe", "system.ini");
    const auto saverBytes = readBytes(inWindows("Fish Tank.scr"));
    const Removal removal = removeFromList("Fish Tank.scr", false, answerCancel);
    EXPECT_EQ(code(-200), removal.saver.process.exitCode);
    EXPECT_EQ(std::vector<std::string>{"Remove the screen saver Fish Tank?"}, texts(removal.saver));
    EXPECT_FALSE(removal.helper.process.started) << "no helper after Cancel";
    expectInstalled("Fish Tank", "Cancel");
    EXPECT_EQ(saverBytes, readBytes(inWindows("Fish Tank.scr")));
    EXPECT_EQ(registered, readProfileText("boot", "scrnsave.exe", "system.ini"));
}

// Quiet removals (no message unless one fails) beside a second installed saver, which stays as it
// is whatever happens to the first.
TEST_F(RemovalRun, EachQuietRemovalLeavesTheRestAsItWas) {
    struct Row {
        const char *label;
        bool systemSaverIsTheOther;  // [boot] names the other saver, not the one removed
        bool earlierSaverGone;       // the saver registered before the install was deleted since
        bool readOnly;               // the saver file is read-only
    };
    const Row rows[] = {
        {"the system's saver, the earlier one still there", false, false, false},
        {"the system's saver, the earlier one gone: none registered (no [boot] scrnsave.exe)", false, true, false},
        {"not the system's saver: [boot] untouched", true, false, false},
        {"a read-only saver file", false, false, true},
    };
    for (const Row &row : rows) {
        installShipped("SENTRY");
        const std::string earlier = inWindows("OLD.scr");
        ASSERT_TRUE(writeBytes(earlier, {'o', 'l', 'd'}));
        WritePrivateProfileStringA("boot", "scrnsave.exe", earlier.c_str(), "system.ini");
        installShipped("Fish Tank");
        if (row.systemSaverIsTheOther) {
            WritePrivateProfileStringA("boot", "scrnsave.exe", inWindows("SENTRY.scr").c_str(), "system.ini");
        }
        if (row.earlierSaverGone) DeleteFileA(earlier.c_str());
        if (row.readOnly) SetFileAttributesA(inWindows("Fish Tank.scr").c_str(), FILE_ATTRIBUTE_READONLY);
        const std::string registered = readProfileText("boot", "scrnsave.exe", "system.ini");
        const auto sentry = readBytes(inWindows("SENTRY.scr"));

        const Removal removal = removeFromList("Fish Tank.scr", true);
        EXPECT_EQ(0u, removal.saver.process.exitCode) << row.label;
        EXPECT_EQ(0u, removal.helper.process.exitCode) << row.label;
        EXPECT_TRUE(removal.saver.boxes.empty() && removal.helper.boxes.empty()) << row.label << ": quiet";
        EXPECT_FALSE(pathExists(inWindows("Fish Tank.scr"))) << row.label;
        EXPECT_FALSE(pathExists(inWindows("Fish Tank.exe"))) << row.label;
        EXPECT_FALSE(entryExists("Fish Tank.scr")) << row.label;
        const std::string expected = row.systemSaverIsTheOther ? registered
                                     : row.earlierSaverGone    ? "<absent>"
                                                               : earlier;
        EXPECT_EQ(expected, readProfileText("boot", "scrnsave.exe", "system.ini")) << row.label;
        expectInstalled("SENTRY", row.label);
        EXPECT_EQ(sentry, readBytes(inWindows("SENTRY.scr"))) << row.label;

        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (ENTRY_KEY + std::string("SENTRY.scr")).c_str());
    }
}

// "/u" counts only as the first switch: inside a path it removes nothing, and starts no helper.
TEST_F(RemovalRun, SlashUInsideAPathRemovesNothing) {
    installShipped("Fish Tank");
    for (const char *args : {"/p 0 /zC:/u/x.exe", "/p 0 /u", "/p 0 \"C:\\a /u\\b.exe\""}) {
        EXPECT_EQ(0u, runProcess(inWindows("Fish Tank.scr"), args, RUN_TIMEOUT_MS).exitCode) << args;
        EXPECT_FALSE(answerProcessNamed(HELPER, 0, answerOk).process.started) << args;
        expectInstalled("Fish Tank", args);
    }
}

// The Windows 3.1 class gets no entry (NT 3.51 has no list of programs), but "/u" typed by hand
// removes the saver; with no earlier saver on record, none is registered after it.
TEST_F(RemovalRun, TheWin31ClassRemovesBySlashUTypedByHand) {
    const ScopedProgramVersion installer("FISH31.exe", "nt351"), saver("FISH31.scr", "nt351"), helper(HELPER, "nt351");
    const std::string made = assemble("FISH31.exe", "Fish Tank", "0", "", shippedEngine());
    ASSERT_EQ(0u, install(made, "/q").process.exitCode);
    EXPECT_FALSE(entryExists("FISH31.scr"));
    EXPECT_EQ(inWindows("FISH31.scr"), readProfileText("boot", "scrnsave.exe", "system.ini"));

    const AnsweredRun run = runAnswering(inWindows("FISH31.scr"), "/u /q", RUN_TIMEOUT_MS);
    EXPECT_EQ(0u, run.process.exitCode);
    EXPECT_TRUE(waitForProcessesNamed(HELPER, RUN_TIMEOUT_MS));
    EXPECT_FALSE(pathExists(inWindows("FISH31.scr")));
    EXPECT_FALSE(pathExists(inWindows("FISH31.exe")));
    EXPECT_EQ("<absent>", readProfileText("boot", "scrnsave.exe", "system.ini")) << "no saver registered";
}

// Where the Windows directory refuses the removal's writes on today's Windows, the saver starts
// itself again as the administrator, exactly as the installer does; the system's question, its
// answer and the refused write come from the test build's hooks, the copy's start is real.
TEST_F(RemovalRun, ARefusedWriteAsksForTheAdministratorsRights) {
    const char *const VISTA = "0x17700006";
    struct Row {
        const char *label;
        const char *elevated, *relaunch;  // relaunch null: a real start
        DWORD expected;
        bool boxShown, removed;
    };
    const Row rows[] = {
        {"the user declines the system's question", "0", "declined", code(-200), false, false},
        {"elevated already: nothing to ask", "1", "declined", code(-2), true, false},
        {"the elevated copy removes it", "0", nullptr, 0, false, true},
    };
    const std::string trace = dir_.file("trace.txt");
    for (const Row &row : rows) {
        const std::string installer = assemble("FISH.exe", "Fish Tank");
        ASSERT_EQ(0u, install(installer, "/q").process.exitCode) << row.label;
        DeleteFileA(trace.c_str());
        std::vector<std::unique_ptr<ScopedEnvironment>> hooks;
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_VERSION", VISTA));
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_WRITE_ERROR", "5"));
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_ELEVATED", row.elevated));
        hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_TRACE", trace));
        if (row.relaunch != nullptr) hooks.emplace_back(new ScopedEnvironment("LUMIVEX_TEST_RELAUNCH", row.relaunch));
        const AnsweredRun run = runAnswering(inWindows("Fish Tank.scr"), "/u /q", RUN_TIMEOUT_MS);
        EXPECT_TRUE(waitForProcessesNamed(HELPER, RUN_TIMEOUT_MS)) << row.label;
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        const std::vector<std::string> boxes =
            row.boxShown
                ? std::vector<
                      std::string>{"The screen saver Fish Tank could not be removed. It stays installed as it was."}
                : std::vector<std::string>{};
        EXPECT_EQ(boxes, texts(run)) << row.label;
        const auto traced = readBytes(trace);
        const std::string lines(traced.begin(), traced.end());
        EXPECT_EQ(row.elevated[0] == '0',
                  lines.find("relaunch " + inWindows("Fish Tank.scr") + " /u /q") != std::string::npos)
            << row.label << ": " << lines;
        EXPECT_EQ(!row.removed, pathExists(inWindows("Fish Tank.scr"))) << row.label;
        EXPECT_EQ(!row.removed, entryExists("Fish Tank.scr")) << row.label;
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (ENTRY_KEY + std::string("Fish Tank.scr")).c_str());
    }
}

// The helper, which cannot delete its own file either, has the system delete it at its next
// start: Windows NT through MoveFileEx, Windows 95 (whose MoveFileEx is a stub) through
// WININIT.INI's [rename] section, where an earlier entry of another program stays.
TEST_F(RemovalRun, TheHelperGoesAtTheSystemsNextStart) {
    const std::string wininit = inWindows("wininit.ini");
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    ASSERT_FALSE(installer.empty());
    for (const char *version : {"", "0xC3B60004"}) {
        const bool windows95 = version[0] != '\0';
        ASSERT_EQ(0u, install(installer, "/q").process.exitCode) << version;
        DeleteFileA(wininit.c_str());
        WritePrivateProfileStringA("rename", "NUL", "C:\\OTHER.TMP", "wininit.ini");
        const ScopedEnvironment classOf("LUMIVEX_TEST_VERSION", version);
        EXPECT_EQ(0u, runAnswering(inWindows("Fish Tank.scr"), "/u /q", RUN_TIMEOUT_MS).process.exitCode) << version;
        EXPECT_TRUE(waitForProcessesNamed(HELPER, RUN_TIMEOUT_MS)) << version;
        EXPECT_FALSE(pathExists(inWindows("Fish Tank.scr"))) << version;
        char shortHelper[MAX_PATH] = {};
        GetShortPathNameA(tempPath(HELPER).c_str(), shortHelper, MAX_PATH);
        const auto bytes = readBytes(wininit);
        const std::string section(bytes.begin(), bytes.end());
        EXPECT_NE(std::string::npos, section.find("NUL=C:\\OTHER.TMP")) << version << ": " << section;
        EXPECT_EQ(windows95, section.find(std::string("NUL=") + shortHelper) != std::string::npos)
            << version << ": " << section;
        if (!windows95) {
            EXPECT_NE(std::string::npos, pendingDeletions().find(HELPER)) << pendingDeletions();
        }
        DeleteFileA(wininit.c_str());
    }
}

// A removal that cannot finish (the player is held open, as a running show holds it) puts back
// what it did: the saver stays complete, registered and listed, and the failure is told even
// quietly.
TEST_F(RemovalRun, ARemovalThatCannotFinishPutsEverythingBack) {
    installShipped("Fish Tank");
    const std::string registered = readProfileText("boot", "scrnsave.exe", "system.ini");
    const auto saverBytes = readBytes(inWindows("Fish Tank.scr"));
    HANDLE held = CreateFileA(inWindows("Fish Tank.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const Removal removal = removeFromList("Fish Tank.scr", true);
    CloseHandle(held);
    EXPECT_EQ(0u, removal.saver.process.exitCode) << "the saver's run handed the removal on";
    EXPECT_EQ(3u, removal.helper.process.exitCode);
    EXPECT_EQ(
        std::vector<std::string>{"The screen saver Fish Tank could not be removed. It stays installed as it was."},
        texts(removal.helper));
    expectInstalled("Fish Tank", "a held player");
    EXPECT_EQ(saverBytes, readBytes(inWindows("Fish Tank.scr")));
    EXPECT_EQ(registered, readProfileText("boot", "scrnsave.exe", "system.ini"));
    EXPECT_FALSE(pathExists(inWindows("Inst9756.scr"))) << "nothing set aside stays";
}

// The entry is part of the install's commit: refused under HKEY_LOCAL_MACHINE it goes under
// HKEY_CURRENT_USER, from where the removal finds it; refused under both, the install is undone
// and the earlier saver stays registered.
TEST_F(RemovalRun, AnEntryTheRegistryRefusesFallsBackOrUndoesTheInstall) {
    const std::string earlier = inWindows("OLD.scr");
    ASSERT_TRUE(writeBytes(earlier, {'o', 'l', 'd'}));
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    ASSERT_FALSE(installer.empty());
    struct Row {
        const char *label;
        const char *refused;
        DWORD expected;
        bool underCurrentUser;
    };
    const Row rows[] = {
        {"the machine's list refuses: the user's list", "HKLM", 0, true},
        {"both refuse: no install", "both", code(2), false},
    };
    for (const Row &row : rows) {
        WritePrivateProfileStringA("boot", "scrnsave.exe", earlier.c_str(), "system.ini");
        {
            const ScopedEnvironment refused("LUMIVEX_TEST_ENTRY_REFUSED", row.refused);
            const AnsweredRun run = install(installer, "/q", answerOk);
            EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        }
        EXPECT_EQ("", entryText(HKEY_LOCAL_MACHINE, "Fish Tank.scr", "DisplayName")) << row.label;
        EXPECT_EQ(row.underCurrentUser ? "Fish Tank (screen saver)" : "",
                  entryText(HKEY_CURRENT_USER, "Fish Tank.scr", "DisplayName"))
            << row.label;
        EXPECT_EQ(row.underCurrentUser, pathExists(inWindows("Fish Tank.scr"))) << row.label;
        if (!row.underCurrentUser) {
            EXPECT_EQ(earlier, readProfileText("boot", "scrnsave.exe", "system.ini")) << row.label;
            continue;
        }
        const std::string command = entryText(HKEY_CURRENT_USER, "Fish Tank.scr", "QuietUninstallString");
        EXPECT_EQ("\"" + inWindows("Fish Tank.scr") + "\" /u /q", command) << row.label;
        EXPECT_EQ(0u, runAnswering(inWindows("Fish Tank.scr"), "/u /q", RUN_TIMEOUT_MS).process.exitCode) << row.label;
        EXPECT_TRUE(waitForProcessesNamed(HELPER, RUN_TIMEOUT_MS)) << row.label;
        EXPECT_FALSE(entryExists("Fish Tank.scr")) << row.label;
        EXPECT_FALSE(pathExists(inWindows("Fish Tank.scr"))) << row.label;
        EXPECT_EQ(earlier, readProfileText("boot", "scrnsave.exe", "system.ini")) << row.label;
    }
}

}  // namespace
