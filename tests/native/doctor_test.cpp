// The doctor's reading of settings files and its reports; whole diagnoses of real installations
// are end-to-end tests under Wine.
#include "tools/pack/doctor.h"

#include <gtest/gtest.h>

#include "payload/trailer.h"
#include "temp_dir.h"

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

}  // namespace
