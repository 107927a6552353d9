// The doctor's reading of settings files and its reports; whole diagnoses of real installations
// are end-to-end tests under Wine.
#include "tools/pack/doctor.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        {"only another program's entry of that name", "Fish Tank.scr", true, foreign.c_str(), "", 0, {unlisted}},
        {"an entry whose saver is gone", "Fish Tank.scr", true, tankAndGone.c_str(), "", 1, {inMachine, goneMissing}},
        {"a saver of the Windows 3.1 class has none", "Fish Tank.scr", false, "", "", 0, {}},
        {"a name beyond ASCII", "Caf\xC3\xA9.scr", true, "", cafe.c_str(), 0, {cafeListed}},
        {"no registry files", "Fish Tank.scr", true, nullptr, nullptr, 1, {unread}},
    };
    const PackPlatform platform = {readWinePrefixSettings, compareFileNames, ""};
    for (const Row &row : rows) {
        std::filesystem::remove_all(path("drive_c"));
        std::filesystem::remove(path("system.reg"));
        std::filesystem::remove(path("user.reg"));
        installSaver(row.saver, row.imageB);
        const char *const texts[] = {row.machine, row.user};
        const char *const files[] = {"system.reg", "user.reg"};
        for (int i = 0; i < 2; ++i) {
            if (texts[i] == nullptr) continue;
            const std::string text = std::string("WINE REGISTRY Version 2\n\n") + texts[i];
            writeFile(files[i], std::vector<unsigned char>(text.begin(), text.end()));
        }
        for (const bool directory : {true, false}) {
            const std::vector<std::string> args = directory
                                                      ? std::vector<std::string>{"doctor", "--windows", windows()}
                                                      : std::vector<std::string>{"doctor", windows() + "/" + row.saver};
            std::string out, err;
            const int code = runPack(args, platform, &out, &err);
            const std::string label = std::string(row.label) + (directory ? " (--windows)" : " (one saver)");
            const std::vector<std::string> wanted(row.lines.begin(),
                                                  row.lines.end() - (directory ? 0 : row.directoryOnly));
            const bool healthy =
                std::none_of(wanted.begin(), wanted.end(), [](const std::string &l) { return l[0] == 'e'; });
            EXPECT_EQ(healthy ? 0 : 1, code) << label << "\n" << out << err;
            // The findings of the list of programs: what names a key, or that the saver is in none.
            std::vector<std::string> found;
            std::istringstream lines(out);
            for (std::string line; std::getline(lines, line);) {
                if (line.find("list of programs") != std::string::npos) found.push_back(line);
            }
            EXPECT_EQ(wanted, found) << label << "\n" << out;
        }
    }
}

}  // namespace
