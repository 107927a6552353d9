// The doctor's reading of settings files and its reports; whole diagnoses of real installations
// are end-to-end tests under Wine.
#include "tools/pack/doctor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "payload/trailer.h"
#include "temp_dir.h"
#include "tools/pack/cli.h"

namespace {

TEST(Doctor, IniValuesAreFoundWithoutRegardToCase) {
    const std::string ini =
        "[boot]\r\nshell=Explorer.exe\r\n  SCRNSAVE.EXE = C:\\WINDOWS\\FISHTA~1.SCR \r\n[Boot.Description]\r\n"
        "scrnsave.exe=wrong section\r\n";
    const struct {
        const char *label, *section, *key;
        bool found;
        const char *value;
    } rows[] = {
        {"key in another case, blanks around", "boot", "scrnsave.exe", true, "C:\\WINDOWS\\FISHTA~1.SCR"},
        {"section in another case", "BOOT", "shell", true, "Explorer.exe"},
        {"same key in a later section only", "boot.description", "scrnsave.exe", true, "wrong section"},
        {"missing key", "boot", "drivers", false, ""},
        {"missing section", "windows", "shell", false, ""},
    };
    for (const auto &row : rows) {
        std::string value;
        EXPECT_EQ(row.found, iniValue(ini, row.section, row.key, &value)) << row.label;
        EXPECT_EQ(row.value, value) << row.label;
    }
    const std::string registry =
        "[Control Panel\\\\Desktop] 1700000000\r\n\"ScreenSaveActive\"=\"1\"\r\n\"ScreenSaveTimeOut\"=\"600\"\r\n";
    std::string value;
    EXPECT_TRUE(registryFileValue(registry, "ScreenSaveTimeout", &value));
    EXPECT_EQ("600", value);
    EXPECT_FALSE(registryFileValue(registry, "ScreenSaveRunning", &value));
}

TEST(Doctor, RegisteredNamesAreComparedByTheirFileNames) {
    const struct {
        const char *label, *registered, *file;
        NameMatch match;
    } rows[] = {
        {"long name in another case", "C:\\WINDOWS\\fish tank.SCR", "/p/drive_c/windows/Fish Tank.scr",
         NameMatch::Same},
        {"short name of Wine's kind", "C:\\windows\\LUMI~YGY.SCR", "/w/Lumivex Demo.scr", NameMatch::Likely},
        {"short name of the system's kind", "C:\\WINDOWS\\FISHTA~1.SCR", "/w/Fish Tank.scr", NameMatch::Likely},
        {"short name of another file", "C:\\WINDOWS\\BIRD~1.SCR", "/w/Fish Tank.scr", NameMatch::Different},
        {"short name with another extension", "C:\\WINDOWS\\FISHTA~1.EXE", "/w/Fish Tank.scr", NameMatch::Different},
        {"another long name", "C:\\WINDOWS\\Birds.scr", "/w/Fish Tank.scr", NameMatch::Different},
        {"a short name longer than the long one", "C:\\W\\FISHTANKS~1.SCR", "/w/Fish.scr", NameMatch::Different},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(static_cast<int>(row.match), static_cast<int>(compareFileNames(row.registered, row.file)))
            << row.label;
    }
}

TEST(Doctor, ReportsAreLinesOrJsonAndTheExitCodeFollowsTheWorst) {
    const std::vector<Finding> healthy = {{Severity::Ok, "C:\\a.scr", "fine", ""}};
    const std::vector<Finding> sick = {{Severity::Ok, "C:\\a.scr", "fine", ""},
                                       {Severity::Warning, "C:\\\"x\".scr", "tab\there", "delete it"}};
    EXPECT_EQ(0, doctorExitCode(healthy));
    EXPECT_EQ(1, doctorExitCode(sick));
    EXPECT_EQ("ok      C:\\a.scr: fine\nwarning C:\\\"x\".scr: tab\there. Fix: delete it\n",
              formatFindings(sick, false));
    EXPECT_EQ(
        "{\"healthy\": false, \"findings\": [\n"
        "  {\"severity\": \"ok\", \"subject\": \"C:\\\\a.scr\", \"finding\": \"fine\", \"fix\": \"\"},\n"
        "  {\"severity\": \"warning\", \"subject\": \"C:\\\\\\\"x\\\".scr\", \"finding\": \"tab\\u0009here\", "
        "\"fix\": \"delete it\"}\n]}\n",
        formatFindings(sick, true));
}

// On a file system that keeps case, the player is found beside the saver whatever its case, and
// a directory that cannot be listed says so.
class DoctorFiles : public TempDirTest {};

TEST_F(DoctorFiles, ThePlayerIsFoundWhateverItsCase) {
    writeFile("fish tank.EXE", {'M', 'Z'});
    const std::string saver = writeFile("Fish Tank.scr", std::vector<unsigned char>(100, 0));
    PayloadTrailer trailer = {};
    trailer.imageASize = trailer.imageBSize = 100;
    trailer.playerSize = 2;
    ASSERT_EQ(FileResult::Ok, appendPayloadTrailer(saver.c_str(), &trailer));
    std::vector<Finding> findings;
    diagnoseSaver(saver, &findings);
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(path("fish tank.EXE"), findings.back().subject);
    EXPECT_NE(std::string::npos, findings.back().text.find("not a Windows program")) << findings.back().text;

    findings.clear();
    EXPECT_FALSE(diagnoseWindowsDirectory(
        path("missing"), SystemSettings{}, [](const std::string &, const std::string &) { return NameMatch::Same; },
        &findings));
    ASSERT_EQ(1u, findings.size());
    EXPECT_EQ(Severity::Error, findings[0].severity);
}

// A Wine prefix as the doctor sees it from Linux: drive_c/windows with an installed saver, its
// player and system.ini registering it, and beside drive_c the registry files that a row gives.
class DoctorPrefix : public TempDirTest {
public:
    std::string windows() const { return path("drive_c/windows"); }

    // An installed saver of the Windows 95 and NT classes (image B) or, of another size, of the
    // Windows 3.1 class (image A), and a player of the size its trailer gives.
    void installSaver(const std::string &name, bool imageB) {
        std::filesystem::create_directories(windows());
        const std::string saver = writeFile("drive_c/windows/" + name, pattern(imageB ? 2000 : 3000));
        PayloadTrailer trailer = {};
        trailer.imageASize = 3000;
        trailer.imageBSize = 2000;
        trailer.playerSize = 0x100;
        trailer.flags = imageB ? TRAILER_FLAG_WIN32 : 0;
        ASSERT_EQ(FileResult::Ok, appendPayloadTrailer(saver.c_str(), &trailer));
        std::vector<unsigned char> player(0x100, 0);
        player[0] = 'M', player[1] = 'Z', player[0x3C] = 0x80, player[0x80] = 'P', player[0x81] = 'E';
        writeFile("drive_c/windows/" + name.substr(0, name.rfind('.')) + ".exe", player);
        const std::string ini = "[boot]\r\nscrnsave.exe=C:\\windows\\" + name + "\r\n";
        writeFile("drive_c/windows/system.ini", std::vector<unsigned char>(ini.begin(), ini.end()));
    }

    // A prefix holding only the saver, its player, system.ini and the registry files given (null:
    // no such file).
    void makePrefix(const std::string &saver, bool imageB, const char *machine, const char *user) {
        std::filesystem::remove_all(path("drive_c"));
        const char *const texts[] = {machine, user};
        const char *const files[] = {"system.reg", "user.reg"};
        for (int i = 0; i < 2; ++i) {
            std::filesystem::remove(path(files[i]));
            if (texts[i] == nullptr) continue;
            const std::string text = std::string("WINE REGISTRY Version 2\n\n") + texts[i];
            writeFile(files[i], std::vector<unsigned char>(text.begin(), text.end()));
        }
        installSaver(saver, imageB);
    }

    // The doctor's lines about the prefix (with --windows) or the saver, those that `wanted` picks,
    // and its exit code.
    std::vector<std::string> doctorLines(bool directory, const std::string &saver, bool (*wanted)(const std::string &),
                                         int *code, std::string *out) const {
        const std::vector<std::string> args = directory ? std::vector<std::string>{"doctor", "--windows", windows()}
                                                        : std::vector<std::string>{"doctor", windows() + "/" + saver};
        const PackPlatform platform = {readWinePrefixSettings, compareFileNames, ""};
        std::string err;
        *code = runPack(args, platform, out, &err);
        *out += err;
        std::vector<std::string> found;
        std::istringstream lines(*out);
        for (std::string line; std::getline(lines, line);) {
            if (wanted(line)) found.push_back(line);
        }
        return found;
    }

    // An entry of the list of programs as Wine writes it, its name and path escaped already.
    static std::string entry(const std::string &key, const std::string &saver, bool lumivex) {
        return "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\" + key +
               "] 1733660000\n#time=1db4a1b2c3d4e5f\n\"DisplayIcon\"=\"" + saver +
               "\"\n\"DisplayName\"=\"Fish Tank (screen saver)\"\n\"EstimatedSize\"=dword:00000104\n"
               "\"NoModify\"=dword:00000001\n\"NoRepair\"=dword:00000001\n" +
               (lumivex ? "\"PreviousScreenSaver\"=\"C:\\\\windows\\\\OLD.SCR\"\n" : "") +
               "\"QuietUninstallString\"=\"\\\"" + saver + "\\\" /u /q\"\n\"UninstallString\"=\"\\\"" + saver +
               "\\\" /u\"\n\n";
    }
};

// Installs on the Windows 95 and NT classes put the saver into the list of programs, under
// HKEY_LOCAL_MACHINE or, when that is refused, HKEY_CURRENT_USER: a saver without its entry, and
// an install's entry whose saver has gone, are errors, with their fixes.
TEST_F(DoctorPrefix, TheListOfProgramsNamesEveryInstalledSaverAndNoMissingOne) {
    const std::string LIST = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const std::string TANK = "C:\\\\windows\\\\Fish Tank.scr";  // as the file has it
    const std::string MACHINE = "HKEY_LOCAL_MACHINE\\" + LIST + "\\", USER = "HKEY_CURRENT_USER\\" + LIST + "\\";
    const std::string saver = windows() + "/Fish Tank.scr";
    struct Row {
        const char *label;
        std::string saver;
        bool imageB;
        const char *machine, *user;      // the registry files' texts; null: no such file
        size_t directoryOnly;            // how many of the findings, at the end, only --windows makes
        std::vector<std::string> lines;  // every finding of the list of programs
    };
    const std::string listed = ": lists " + saver + " in the list of programs as \"Fish Tank (screen saver)\"";
    const std::string unlisted = "error   " + saver + ": not in the list of programs: no entry under " +
                                 "HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER\\" + LIST +
                                 " names it, so the system cannot remove it. Fix: install the saver again from its "
                                 "installer file";
    const std::string tank = entry("Fish Tank.scr", TANK, true), foreign = entry("Fish Tank.scr", TANK, false);
    const std::string tankAndGone = tank + entry("Gone.scr", "C:\\\\windows\\\\Gone.scr", true);
    const std::string package =
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\{0A1B2C3D-0000-0000-0000-000000000001}] "
        "1733660000\n\"DisplayName\"=\"Fish Tank (screen saver)\"\n"
        "\"UninstallString\"=\"MsiExec.exe /X{0A1B2C3D-0000-0000-0000-000000000001}\"\n\n";
    const std::string inPackage = "ok      " + MACHINE + "{0A1B2C3D-0000-0000-0000-000000000001}" + listed;
    const std::string cafe = entry("Caf\\xe9.scr", "C:\\\\windows\\\\Caf\\xe9.scr", true);
    const std::string inMachine = "ok      " + MACHINE + "Fish Tank.scr" + listed;
    const std::string inUser = "ok      " + USER + "Fish Tank.scr" + listed;
    const std::string goneMissing =
        "error   " + MACHINE +
        "Gone.scr: names the saver C:\\windows\\Gone.scr, which is missing: the list of programs offers to remove a "
        "saver that is not there. Fix: remove the key " +
        MACHINE + "Gone.scr (with regedit), or install the saver again from its installer file";
    const std::string cafeListed = "ok      " + USER + "Caf\xC3\xA9.scr: lists " + windows() +
                                   "/Caf\xC3\xA9.scr in the list of programs as \"Fish Tank (screen saver)\"";
    const std::string unread = "ok      the list of programs, " + LIST + ": could not be read";
    const Row rows[] = {
        {"an entry under HKEY_LOCAL_MACHINE", "Fish Tank.scr", true, tank.c_str(), "", 0, {inMachine}},
        {"an entry under HKEY_CURRENT_USER", "Fish Tank.scr", true, "", tank.c_str(), 0, {inUser}},
        {"no entry", "Fish Tank.scr", true, "", "", 0, {unlisted}},
        {"a Windows Installer package's entry", "Fish Tank.scr", true, package.c_str(), "", 0, {inPackage}},
        {"only another program's entry of that name", "Fish Tank.scr", true, foreign.c_str(), "", 0, {unlisted}},
        {"an entry whose saver is gone", "Fish Tank.scr", true, tankAndGone.c_str(), "", 1, {inMachine, goneMissing}},
        {"a saver of the Windows 3.1 class has none", "Fish Tank.scr", false, "", "", 0, {}},
        {"a name beyond ASCII", "Caf\xC3\xA9.scr", true, "", cafe.c_str(), 0, {cafeListed}},
        {"no registry files", "Fish Tank.scr", true, nullptr, nullptr, 1, {unread}},
    };
    for (const Row &row : rows) {
        makePrefix(row.saver, row.imageB, row.machine, row.user);
        for (const bool directory : {true, false}) {
            const std::string label = std::string(row.label) + (directory ? " (--windows)" : " (one saver)");
            const std::vector<std::string> wanted(row.lines.begin(),
                                                  row.lines.end() - (directory ? 0 : row.directoryOnly));
            const bool healthy =
                std::none_of(wanted.begin(), wanted.end(), [](const std::string &l) { return l[0] == 'e'; });
            // The findings of the list of programs: what names a key, or that the saver is in none.
            int code = -1;
            std::string out;
            const std::vector<std::string> found = doctorLines(
                directory, row.saver,
                [](const std::string &line) { return line.find("list of programs") != std::string::npos; }, &code,
                &out);
            EXPECT_EQ(healthy ? 0 : 1, code) << label << "\n" << out;
            EXPECT_EQ(wanted, found) << label << "\n" << out;
        }
    }
}

// The values that Group Policy writes under Software\Policies\Microsoft\Windows\Control
// Panel\Desktop take the place of the user's: each is named with what it means for the saver and
// what to ask the administrator for, HKEY_LOCAL_MACHINE's before HKEY_CURRENT_USER's. The user's own
// values that keep the saver from starting are named when no policy overrides them.
TEST_F(DoctorPrefix, PoliciesAreNamedWithWhatTheyMeanForTheSaver) {
    const std::string KEY = "Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
    const std::string USER = "HKEY_CURRENT_USER\\" + KEY + ": ", MACHINE = "HKEY_LOCAL_MACHINE\\" + KEY + ": ";
    const std::string TEMPLATE = "(User Configuration > Administrative Templates > Control Panel > Personalization)";
    const std::string saver = windows() + "/Fish Tank.scr";
    struct Row {
        const char *label;
        const char *machine, *user;      // the values under the policies' key in each file; null: no such key
        const char *choices;             // the user's values under Control Panel\Desktop
        bool registry;                   // false: no registry files beside drive_c
        std::vector<std::string> lines;  // the policies' findings, and the user's values that are wrong
    };
    const char *const CHOSEN = "\"ScreenSaveActive\"=\"1\"\n\"ScreenSaveTimeOut\"=\"600\"\n";
    const Row rows[] = {
        {"no policy",
         nullptr,
         nullptr,
         CHOSEN,
         true,
         {"ok      HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE\\" + KEY +
          ": no screen saver policy is set: the user's settings apply"}},
        {"no registry files beside drive_c",
         nullptr,
         nullptr,
         CHOSEN,
         false,
         {"ok      Group Policy: no registry here: policies not checked"}},
        {"SCRNSAVE.EXE forces another saver",
         nullptr,
         R"("SCRNSAVE.EXE"="C:\\WINDOWS\\other.scr")",
         CHOSEN,
         true,
         {"error   " + USER +
          "SCRNSAVE.EXE forces C:\\WINDOWS\\other.scr: the system starts that saver, not Fish Tank.scr. Fix: ask "
          "your administrator to set \"Force specific screen saver\" " +
          TEMPLATE + " to C:\\windows\\Fish Tank.scr, or to Not Configured"}},
        {"SCRNSAVE.EXE forces this saver, in another case",
         nullptr,
         R"("SCRNSAVE.EXE"="c:\\windows\\FISH TANK.SCR")",
         CHOSEN,
         true,
         {"ok      " + USER + "SCRNSAVE.EXE forces c:\\windows\\FISH TANK.SCR: the system starts this saver, " + saver +
          ", whatever the user chose"}},
        {"SCRNSAVE.EXE forces this saver by a short name",
         nullptr,
         R"("SCRNSAVE.EXE"="C:\\WINDOWS\\FISHTA~1.SCR")",
         CHOSEN,
         true,
         {"ok      " + USER + "SCRNSAVE.EXE forces C:\\WINDOWS\\FISHTA~1.SCR: probably this saver, " + saver +
          " (a short name, which cannot be resolved here; its first letters fit)"}},
        {"an empty SCRNSAVE.EXE",
         nullptr,
         R"("SCRNSAVE.EXE"="")",
         CHOSEN,
         true,
         {"error   " + USER +
          "SCRNSAVE.EXE is empty: it forces no saver file, so the system starts no screen saver. Fix: ask your "
          "administrator to set \"Force specific screen saver\" " +
          TEMPLATE + " to C:\\windows\\Fish Tank.scr, or to Not Configured"}},
        {"HKEY_LOCAL_MACHINE's value before HKEY_CURRENT_USER's",
         R"("SCRNSAVE.EXE"="C:\\windows\\Fish Tank.scr")",
         R"("SCRNSAVE.EXE"="C:\\WINDOWS\\other.scr")",
         CHOSEN,
         true,
         {"ok      " + MACHINE + "SCRNSAVE.EXE forces C:\\windows\\Fish Tank.scr: the system starts this saver, " +
          saver + ", whatever the user chose"}},
        {"the screen saver switched off",
         nullptr,
         R"("ScreenSaveActive"="0")",
         CHOSEN,
         true,
         {"error   " + USER +
          "ScreenSaveActive=0 switches the screen saver off: the system never starts Fish Tank.scr. Fix: ask your "
          "administrator to set \"Enable screen saver\" " +
          TEMPLATE + " to Enabled, or to Not Configured"}},
        {"the screen saver switched off for every user of the computer",
         R"("ScreenSaveActive"="0")",
         nullptr,
         CHOSEN,
         true,
         {"error   " + MACHINE +
          "ScreenSaveActive=0 switches the screen saver off: the system never starts Fish Tank.scr. Fix: ask your "
          "administrator to set the value ScreenSaveActive of HKEY_LOCAL_MACHINE\\" +
          KEY + " to 1, or to remove it (it applies to every user of the computer)"}},
        {"the screen saver switched on over the user's choice",
         nullptr,
         R"("ScreenSaveActive"="1")",
         "\"ScreenSaveActive\"=\"0\"\n",
         true,
         {"ok      " + USER + "ScreenSaveActive=1 switches the screen saver on; the user cannot switch it off"}},
        {"the user switched the screen saver off",
         nullptr,
         nullptr,
         "\"ScreenSaveActive\"=\"0\"\n",
         true,
         {"warning win.ini [windows] ScreenSaveActive=0: the system never starts a screen saver. Fix: switch the "
          "screen saver on in the display settings",
          "ok      HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE\\" + KEY +
              ": no screen saver policy is set: the user's settings apply"}},
        {"a timeout of 0",
         nullptr,
         R"("ScreenSaveTimeOut"="0")",
         CHOSEN,
         true,
         {"error   " + USER +
          "ScreenSaveTimeOut=0: a timeout of 0 seconds: the system never starts Fish Tank.scr. Fix: ask your "
          "administrator to set \"Screen saver timeout\" " +
          TEMPLATE + " to Enabled with a wait above 0 seconds, or to Not Configured"}},
        {"the user's timeout of 0",
         nullptr,
         R"("ScreenSaverIsSecure"="1")",
         "\"ScreenSaveTimeOut\"=\"0\"\n",
         true,
         {"warning win.ini [windows] ScreenSaveTimeout=0: a timeout of 0 seconds: the system never starts a screen "
          "saver. Fix: choose a wait of a minute or more in the display settings",
          "ok      " + USER +
              "ScreenSaverIsSecure=1: the password protection is forced on: the screen saver asks for the user's "
              "password when it ends"}},
        {"a timeout as a dword, for every user of the computer",
         R"("ScreenSaveTimeOut"=dword:00000258)",
         nullptr,
         CHOSEN,
         true,
         {"ok      " + MACHINE +
          "ScreenSaveTimeOut=600: the system starts the screen saver after 600 seconds without input, whatever the "
          "user chose"}},
        {"the password protection forced off, under a key name in another case",
         nullptr,
         R"("screensaverissecure"="0")",
         CHOSEN,
         true,
         {"ok      " + USER +
          "ScreenSaverIsSecure=0: the password protection is forced off: the screen saver never asks for a "
          "password"}},
    };
    const std::string listed = entry("Fish Tank.scr", "C:\\\\windows\\\\Fish Tank.scr", true);
    for (const Row &row : rows) {
        // The key as Wine writes it; a row's lowercase value name stands for a key name in lowercase.
        const auto policyKey = [&](const char *values) {
            const bool lowercase = values != nullptr && std::string(values).find("\"screen") == 0;
            std::string key = "Software\\\\Policies\\\\Microsoft\\\\Windows\\\\Control Panel\\\\Desktop";
            if (lowercase) {
                std::transform(key.begin(), key.end(), key.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            }
            return values == nullptr ? std::string() : "[" + key + "] 1733660000\n" + values + "\n\n";
        };
        const std::string machine = listed + policyKey(row.machine);
        const std::string user =
            "[Control Panel\\\\Desktop] 1733660000\n" + std::string(row.choices) + "\n" + policyKey(row.user);
        makePrefix("Fish Tank.scr", true, row.registry ? machine.c_str() : nullptr,
                   row.registry ? user.c_str() : nullptr);
        const bool healthy =
            std::none_of(row.lines.begin(), row.lines.end(), [](const std::string &l) { return l[0] != 'o'; });
        for (const bool directory : {true, false}) {
            const std::string label = std::string(row.label) + (directory ? " (--windows)" : " (one saver)");
            int code = -1;
            std::string out;
            const std::vector<std::string> found = doctorLines(
                directory, "Fish Tank.scr",
                [](const std::string &line) {
                    return line.find("olicies") != std::string::npos ||
                           line.find("Group Policy") != std::string::npos ||
                           (line.find("win.ini") != std::string::npos && line.compare(0, 3, "ok ") != 0);
                },
                &code, &out);
            EXPECT_EQ(healthy ? 0 : 1, code) << label << "\n" << out;
            EXPECT_EQ(row.lines, found) << label << "\n" << out;
        }
    }
}

}  // namespace
