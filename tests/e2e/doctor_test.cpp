// lumivex-pack doctor on installations that the real installer made, healthy and then damaged the
// ways users' machines damage them: each finding on its line, and the exit code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine_files.h"
#include "install_fixture.h"

namespace {

struct Output {
    DWORD exitCode = 0xDEAD;
    std::string text;
};

// Runs the Windows build of lumivex-pack with its output read through a pipe.
Output runPack(const std::string &args) {
    Output output;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return output;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string line = "\"" + toWindowsPath(testOption("pack")) + "\" " + args;
    PROCESS_INFORMATION info = {};
    const bool started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                        &startup, &info) != FALSE;
    CloseHandle(writeEnd);
    if (started) {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.text.append(chunk, got);
        WaitForSingleObject(info.hProcess, RUN_TIMEOUT_MS);
        GetExitCodeProcess(info.hProcess, &output.exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(readEnd);
    return output;
}

const char PROGRAM_LIST[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// An install's entry in the list of programs under HKEY_LOCAL_MACHINE for a saver of that file name.
void writeProgramEntry(const std::string &fileName) {
    HKEY key = nullptr;
    const std::string path = PROGRAM_LIST + fileName;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    const std::string uninstall = "\"" + inWindows(fileName) + "\" /u";
    const struct {
        const char *name;
        std::string text;
    } values[] = {{"UninstallString", uninstall}, {"PreviousScreenSaver", ""}};
    for (const auto &value : values) {
        RegSetValueExA(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.text.c_str()),
                       static_cast<DWORD>(value.text.size() + 1));
    }
    RegCloseKey(key);
}

void deleteProgramEntry(const std::string &fileName) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyA(root, (PROGRAM_LIST + fileName).c_str());
}

const char POLICY_KEY[] = "Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

// Policy values as an administrator's Group Policy writes them, and every key that had to be made
// for them; clear() removes both.
class PolicyValues {
public:
    ~PolicyValues() { clear(); }

    // A string (REG_SZ) or, for REG_DWORD, the number that `data` spells.
    void set(HKEY root, const char *name, DWORD type, const std::string &data) {
        std::string path;
        for (size_t start = 0; start != std::string::npos;) {
            const std::string key(POLICY_KEY);
            const size_t end = key.find('\\', start);
            path = key.substr(0, end);
            start = end == std::string::npos ? end : end + 1;
            HKEY open = nullptr;
            if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &open) == ERROR_SUCCESS) {
                RegCloseKey(open);
            } else {
                created_.push_back({root, path});
            }
        }
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, POLICY_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
        const DWORD number = type == REG_DWORD ? static_cast<DWORD>(std::stoul(data)) : 0;
        const LONG written =
            type == REG_DWORD
                ? RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number)
                : RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1));
        RegCloseKey(key);
        values_.push_back({root, name});
        ASSERT_EQ(ERROR_SUCCESS, written) << name;
    }

    void clear() {
        for (const auto &value : values_) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(value.first, POLICY_KEY, 0, KEY_WRITE, &key) != ERROR_SUCCESS) continue;
            RegDeleteValueA(key, value.second.c_str());
            RegCloseKey(key);
        }
        for (auto at = created_.rbegin(); at != created_.rend(); ++at) RegDeleteKeyA(at->first, at->second.c_str());
        values_.clear();
        created_.clear();
    }

private:
    std::vector<std::pair<HKEY, std::string>> values_, created_;
};

bool hasLine(const std::string &text, const std::string &start, const std::string &part) {
    size_t at = 0;
    while ((at = text.find(start, at)) != std::string::npos) {
        const size_t end = text.find('\n', at);
        if ((at == 0 || text[at - 1] == '\n') && text.substr(at, end - at).find(part) != std::string::npos) return true;
        ++at;
    }
    return false;
}

// "Fish Tank" installed quietly on the win95 class, with the test player as its player.
class Doctor : public InstallRun {
protected:
    void SetUp() override {
        InstallRun::SetUp();
        installer_ = assemble("FISH.exe", "Fish Tank", "0x4000", testPlayer());
        ASSERT_FALSE(installer_.empty());
        ASSERT_EQ(0u, install(installer_, "/q").process.exitCode);
        saver_ = inWindows("Fish Tank.scr");
        player_ = inWindows("Fish Tank.exe");
        ASSERT_TRUE(pathExists(saver_) && pathExists(player_));
    }
    void TearDown() override {
        InstallRun::TearDown();
        deleteProgramEntry("Fish Tank.scr");
    }

    static void cutFile(const std::string &path, size_t bytes) {
        auto content = readBytes(path);
        content.resize(content.size() - bytes);
        ASSERT_TRUE(writeBytes(path, content));
    }

    std::string installer_, saver_, player_;
};

TEST_F(Doctor, AHealthyInstallationIsReportedWithoutFault) {
    const Output directory = runPack("doctor --windows");
    EXPECT_EQ(0u, directory.exitCode) << directory.text;
    EXPECT_TRUE(hasLine(directory.text, "ok      " + saver_, "an installed saver of")) << directory.text;
    EXPECT_TRUE(hasLine(directory.text, "ok      " + saver_, "a 32-bit program")) << directory.text;
    EXPECT_TRUE(hasLine(directory.text, "ok      " + player_, "bytes as the saver expects")) << directory.text;
    EXPECT_TRUE(hasLine(directory.text, "ok      system.ini [boot] scrnsave.exe=", "registers " + saver_))
        << directory.text;
    EXPECT_TRUE(hasLine(directory.text, "ok      HKEY_LOCAL_MACHINE\\" + std::string(PROGRAM_LIST) + "Fish Tank.scr",
                        "lists " + saver_ + " in the list of programs"))
        << directory.text;
    std::printf("%s", directory.text.c_str());

    const Output single = runPack("doctor --json \"" + saver_ + "\"");
    EXPECT_EQ(0u, single.exitCode) << single.text;
    EXPECT_EQ(0u, single.text.find("{\"healthy\": true, \"findings\": [")) << single.text;
}

TEST_F(Doctor, EachDamageIsNamedWithItsFix) {
    struct Row {
        const char *label;
        void (*damage)(const std::string &saver, const std::string &player);
        const char *subject;  // "saver", "player", or a file name in the Windows directory
        const char *severity;
        const char *finding;
    };
    const Row rows[] = {
        {"player cut", [](const std::string &, const std::string &player) { cutFile(player, 1000); }, "player", "error",
         "the saver expects"},
        {"player removed", [](const std::string &, const std::string &player) { DeleteFileA(player.c_str()); },
         "player", "error", "the player is missing beside the saver"},
        {"player replaced by other bytes",
         [](const std::string &, const std::string &player) {
             ASSERT_TRUE(writeBytes(player, std::vector<unsigned char>(readBytes(player).size(), 0x5A)));
         },
         "player", "error", "the player is not a Windows program"},
        {"trailer cut", [](const std::string &saver, const std::string &) { cutFile(saver, 20); }, "saver", "error",
         "no payload trailer at its end"},
        {"500 bytes of the saver's bitmaps lost, trailer kept",
         [](const std::string &saver, const std::string &) {
             auto bytes = readBytes(saver);
             bytes.erase(bytes.end() - TRAILER_SIZE - 500, bytes.end() - TRAILER_SIZE);
             ASSERT_TRUE(writeBytes(saver, bytes));
         },
         "saver", "error", "the trailer's parts add up to"},
        {"registration pointing elsewhere",
         [](const std::string &, const std::string &) {
             WritePrivateProfileStringA("boot", "scrnsave.exe", "C:\\WINDOWS\\OLD.SCR", "system.ini");
         },
         "system.ini [boot] scrnsave.exe=C:\\WINDOWS\\OLD.SCR", "warning",
         "registers no Lumivex saver of this directory"},
        {"leftover of an unfinished install",
         [](const std::string &saver, const std::string &) {
             ASSERT_TRUE(CopyFileA(saver.c_str(), inWindows("Inst9754.scr").c_str(), FALSE));
         },
         "Inst9754.scr", "warning", "left over from an install that did not finish"},
        {"the saver's entry removed from the list of programs",
         [](const std::string &, const std::string &) { deleteProgramEntry("Fish Tank.scr"); }, "saver", "error",
         "not in the list of programs"},
        {"an install's entry for a saver that is gone",
         [](const std::string &, const std::string &) { writeProgramEntry("Gone.scr"); },
         "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gone.scr", "error",
         "which is missing"},
        {"activation switched off",
         [](const std::string &, const std::string &) { WriteProfileStringA("windows", "ScreenSaveActive", "0"); },
         "win.ini [windows] ScreenSaveActive=0", "warning", "the system never starts a screen saver"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_EQ(0u, install(installer_, "/q").process.exitCode);
        row.damage(saver_, player_);
        const std::string subject = std::string(row.subject) == "saver"    ? saver_
                                    : std::string(row.subject) == "player" ? player_
                                    : std::string(row.subject).find_first_of(" \\") == std::string::npos
                                        ? inWindows(row.subject)
                                        : std::string(row.subject);
        const Output found = runPack("doctor --windows");
        std::printf("== %s\n%s", row.label, found.text.c_str());
        EXPECT_EQ(1u, found.exitCode) << found.text;
        const std::string start = std::string(row.severity) + std::string(8 - std::strlen(row.severity), ' ') + subject;
        EXPECT_TRUE(hasLine(found.text, start, row.finding))
            << "wanted: " << start << ": ..." << row.finding << "\ngot:\n"
            << found.text;
        EXPECT_TRUE(hasLine(found.text, start, "Fix: ")) << found.text;
        DeleteFileA(inWindows("Inst9754.scr").c_str());
        deleteProgramEntry("Gone.scr");
        WritePrivateProfileStringA("boot", "scrnsave.exe", nullptr, "system.ini");
        WriteProfileStringA("windows", "ScreenSaveActive", "1");
    }
}

// Each policy value that Group Policy writes, set in Wine's registry, is named by its key with what
// it means for the installed saver, for the whole directory and for the saver alone; the saver's
// own path is compared in its long and short forms.
TEST_F(Doctor, EachPolicyIsNamedWithWhatItMeansForTheSaver) {
    struct Setting {
        HKEY root;
        const char *name;
        DWORD type;
        std::string data;
    };
    struct Row {
        const char *label;
        std::vector<Setting> settings;
        const char *root;  // the root of the finding's key; null: the finding that no policy is set
        const char *severity;
        std::string finding;
    };
    char shortForm[MAX_PATH] = {};
    ASSERT_NE(0u, GetShortPathNameA(saver_.c_str(), shortForm, sizeof shortForm));
    const std::string other = inWindows("other.scr");
    const HKEY USER = HKEY_CURRENT_USER, MACHINE = HKEY_LOCAL_MACHINE;
    const Row rows[] = {
        {"no policy", {}, nullptr, "ok", "no screen saver policy is set: the user's settings apply"},
        {"another saver forced",
         {{USER, "SCRNSAVE.EXE", REG_SZ, other}},
         "HKEY_CURRENT_USER",
         "error",
         "SCRNSAVE.EXE forces " + other +
             ": the system starts that saver, not Fish Tank.scr. Fix: ask your "
             "administrator to set \"Force specific screen saver\""},
        {"this saver forced",
         {{USER, "SCRNSAVE.EXE", REG_SZ, saver_}},
         "HKEY_CURRENT_USER",
         "ok",
         "the system starts this saver, " + saver_},
        {"this saver forced by its short name",
         {{USER, "SCRNSAVE.EXE", REG_SZ, shortForm}},
         "HKEY_CURRENT_USER",
         "ok",
         "the system starts this saver, " + saver_},
        {"HKEY_LOCAL_MACHINE's saver before HKEY_CURRENT_USER's",
         {{USER, "SCRNSAVE.EXE", REG_SZ, other}, {MACHINE, "SCRNSAVE.EXE", REG_SZ, saver_}},
         "HKEY_LOCAL_MACHINE",
         "ok",
         "the system starts this saver, " + saver_},
        {"the screen saver switched off",
         {{USER, "ScreenSaveActive", REG_SZ, "0"}},
         "HKEY_CURRENT_USER",
         "error",
         "ScreenSaveActive=0 switches the screen saver off: the system never starts Fish Tank.scr. Fix: ask your "
         "administrator to set \"Enable screen saver\""},
        {"a timeout of 0",
         {{USER, "ScreenSaveTimeOut", REG_SZ, "0"}},
         "HKEY_CURRENT_USER",
         "error",
         "ScreenSaveTimeOut=0: a timeout of 0 seconds: the system never starts Fish Tank.scr"},
        {"a timeout as a dword for every user",
         {{MACHINE, "ScreenSaveTimeOut", REG_DWORD, "600"}},
         "HKEY_LOCAL_MACHINE",
         "ok",
         "ScreenSaveTimeOut=600: the system starts the screen saver after 600 seconds without input"},
        {"the password protection forced on",
         {{USER, "ScreenSaverIsSecure", REG_SZ, "1"}},
         "HKEY_CURRENT_USER",
         "ok",
         "ScreenSaverIsSecure=1: the password protection is forced on"},
        {"the password protection forced off",
         {{USER, "ScreenSaverIsSecure", REG_SZ, "0"}},
         "HKEY_CURRENT_USER",
         "ok",
         "ScreenSaverIsSecure=0: the password protection is forced off"},
    };
    PolicyValues policies;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        for (const Setting &s : row.settings) policies.set(s.root, s.name, s.type, s.data);
        const std::string start = std::string(row.severity) + std::string(8 - std::strlen(row.severity), ' ') +
                                  (row.root != nullptr ? row.root : "HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE") + "\\" +
                                  POLICY_KEY + ": ";
        for (const std::string &args : {std::string("doctor --windows"), "doctor \"" + saver_ + "\""}) {
            const Output found = runPack(args);
            std::printf("== %s: %s\n%s", row.label, args.c_str(), found.text.c_str());
            EXPECT_EQ(std::string(row.severity) == "error" ? 1u : 0u, found.exitCode) << args << "\n" << found.text;
            EXPECT_TRUE(hasLine(found.text, start, row.finding))
                << args << "\nwanted: " << start << "..." << row.finding << "\ngot:\n"
                << found.text;
        }
        policies.clear();
    }
}

TEST_F(Doctor, FilesThatAreNoInstalledSaverAndBadUsage) {
    struct Row {
        const char *label;
        std::string args;
        DWORD exitCode;
        std::string finding;
    };
    // An installer file is told as one, with the player it carries checked where the trailer puts
    // it, never the installer itself taken for its own player (NAME.exe beside NAME.exe).
    const Row rows[] = {
        {"an installer file", "doctor \"" + installer_ + "\"", 0, "an installer file of "},
        {"an installer file's player", "doctor \"" + installer_ + "\"", 0, "the player it carries, "},
        {"a folder", "doctor \"" + windowsDirectory() + "\"", 1, "is a folder, not a file"},
        {"a missing file", "doctor C:\\no-such-saver.scr", 1, "cannot be opened: No such file or directory"},
        {"no file", "doctor", 2, "doctor needs a file; see 'lumivex-pack doctor --help'"},
        {"an unknown option", "doctor --fast \"" + saver_ + "\"", 2, "unknown option '--fast'"},
    };
    for (const Row &row : rows) {
        const Output found = runPack(row.args);
        EXPECT_EQ(row.exitCode, found.exitCode) << row.label << "\n" << found.text;
        EXPECT_NE(std::string::npos, found.text.find(row.finding)) << row.label << "\n" << found.text;
    }
}

}  // namespace
