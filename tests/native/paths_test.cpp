#include "startup/paths.h"

#include <string>

#include "startup/install_names.h"
#include "temp_dir.h"
#include "tests/result_printers.h"

namespace {

std::string replaced(const char *path, const char *drive, const char *directory, const char *base, const char *ext) {
    char buffer[PATH_CAPACITY];
    EXPECT_EQ(PathResult::Ok, copyPath(buffer, path));
    EXPECT_EQ(PathResult::Ok, replacePathParts(buffer, drive, directory, base, ext)) << path;
    return buffer;
}

TEST(Paths, SplitsIntoDriveDirectoryBaseAndExtension) {
    struct Row {
        const char *label;
        const char *path;
        const char *drive, *directory, *base, *extension;
    };
    const Row rows[] = {
        {"full path", "C:\\WINDOWS\\NAME.scr", "C:", "\\WINDOWS\\", "NAME", ".scr"},
        {"bare name", "NAME", "", "", "NAME", ""},
        {"dot in a directory only", "C:\\A.B\\NAME", "C:", "\\A.B\\", "NAME", ""},
        {"forward slashes", "D:/x/y.z/f.tar.gz", "D:", "/x/y.z/", "f.tar", ".gz"},
        {"relative with dot", "dir\\.hidden", "", "dir\\", "", ".hidden"},
        {"drive only", "C:", "C:", "", "", ""},
        {"empty", "", "", "", "", ""},
    };
    for (const Row &row : rows) {
        PathParts parts;
        ASSERT_EQ(PathResult::Ok, splitPath(row.path, &parts)) << row.label;
        EXPECT_STREQ(row.drive, parts.drive) << row.label;
        EXPECT_STREQ(row.directory, parts.directory) << row.label;
        EXPECT_STREQ(row.base, parts.baseName) << row.label;
        EXPECT_STREQ(row.extension, parts.extension) << row.label;
    }
}

TEST(Paths, ReplacePathPartsRebuildsWithTheGivenParts) {
    struct Row {
        const char *label;
        const char *path;
        const char *base;
        const char *extension;
        const char *expected;
    };
    const Row rows[] = {
        {"finishing copy", "C:\\WINDOWS\\NAME.scr", "Inst9753", "exe", "C:\\WINDOWS\\Inst9753.exe"},
        {"base only", "C:\\WINDOWS\\NAME.scr", "Inst9754", nullptr, "C:\\WINDOWS\\Inst9754.scr"},
        {"bare name gets an extension", "NAME", nullptr, "exe", "NAME.exe"},
        {"dot in the directory", "C:\\A.B\\NAME", nullptr, "exe", "C:\\A.B\\NAME.exe"},
        {"extension with its dot", "x.scr", nullptr, ".exe", "x.exe"},
        {"empty path", "", "Inst9753", "exe", "Inst9753.exe"},
        {"nothing replaced", "C:\\A\\B.C", nullptr, nullptr, "C:\\A\\B.C"},
        {"blank in the name", "C:\\WINDOWS\\Inst9754.scr", "Fish Tank", nullptr, "C:\\WINDOWS\\Fish Tank.scr"},
    };
    for (const Row &row : rows) EXPECT_EQ(row.expected, replaced(row.path, nullptr, nullptr, row.base, row.extension)) << row.label;
    EXPECT_EQ("D:dir\\x.y", replaced("C:\\x.y", "D:", "dir", nullptr, nullptr)) << "directory gets its backslash";
}

TEST(Paths, TrailBytesOfDoubleByteCharactersAreNeverSeparatorsOrDots) {
    // A Shift-JIS-like code page: 0x81..0x9F lead a two-byte character whose trail byte may be
    // 0x5C (backslash) or 0x2E (dot).
    pathLeadByteTest = [](unsigned char b) { return b >= 0x81 && b <= 0x9F; };
    PathParts parts;
    ASSERT_EQ(PathResult::Ok, splitPath("C:\\DIR\\\x95\x5C\x95\x2E.scr", &parts));
    pathLeadByteTest = nullptr;
    EXPECT_STREQ("\\DIR\\", parts.directory);
    EXPECT_STREQ("\x95\x5C\x95\x2E", parts.baseName);
    EXPECT_STREQ(".scr", parts.extension);
}

TEST(InstallNames, AFinalNameMustNeitherLeaveTheDirectoryNorNameAWorkingFile) {
    struct Row {
        const char *label;
        const char *name;
        FinalNameProblem expected;
    };
    const Row rows[] = {
        {"plain name with a blank", "Fish Tank", FinalNameProblem::None},
        {"empty", "", FinalNameProblem::Empty},
        {"separator", "..\\evil", FinalNameProblem::ForbiddenCharacter},
        {"drive colon", "C:x", FinalNameProblem::ForbiddenCharacter},
        {"double quote", "a\"b", FinalNameProblem::ForbiddenCharacter},
        {"control character", "a\tb", FinalNameProblem::ForbiddenCharacter},
        {"dot", ".", FinalNameProblem::DotName},
        {"dot dot", "..", FinalNameProblem::DotName},
        {"temporary saver, same case", "Inst9754", FinalNameProblem::WorkingName},
        {"temporary saver, lower case", "inst9754", FinalNameProblem::WorkingName},
        {"temporary player, upper case", "INST9755", FinalNameProblem::WorkingName},
        {"finishing copy, mixed case", "iNsT9753", FinalNameProblem::WorkingName},
        {"backup of the earlier saver", "inst9756", FinalNameProblem::WorkingName},
        {"a working name with more after it", "Inst97530", FinalNameProblem::None},
        {"double-byte character whole", "\x95\x5C", FinalNameProblem::None},
        {"ends in a lead byte", "Fish\x95", FinalNameProblem::EndsInLeadByte},
        {"trail byte that is a backslash", "\x95\x5C\x95\x2E", FinalNameProblem::None},
    };
    // A Shift-JIS-like code page, as above.
    pathLeadByteTest = [](unsigned char b) { return b >= 0x81 && b <= 0x9F; };
    for (const Row &row : rows) {
        EXPECT_EQ(static_cast<int>(row.expected), static_cast<int>(finalNameProblem(row.name))) << row.label;
    }
    pathLeadByteTest = nullptr;
    EXPECT_EQ(static_cast<int>(FinalNameProblem::ForbiddenCharacter), static_cast<int>(finalNameProblem("\x95\x5C")))
        << "in a single-byte code page every backslash is one";
}

TEST(Paths, ResultsThatDoNotFitLeaveThePathUnchanged) {
    std::string longDirectory = "C:\\" + std::string(240, 'd') + "\\";
    std::string path = longDirectory + "NAME.scr";
    char buffer[PATH_CAPACITY];
    ASSERT_EQ(PathResult::Ok, copyPath(buffer, path.c_str()));
    EXPECT_EQ(PathResult::TooLong, replacePathParts(buffer, nullptr, nullptr, std::string(30, 'b').c_str(), nullptr));
    EXPECT_EQ(path, buffer);

    const std::string tooLong(PATH_CAPACITY, 'x');
    EXPECT_EQ(PathResult::TooLong, copyPath(buffer, tooLong.c_str()));
    EXPECT_STREQ("", buffer);
    PathParts parts;
    EXPECT_EQ(PathResult::TooLong, splitPath(tooLong.c_str(), &parts));
    EXPECT_EQ(PathResult::Ok, copyPath(buffer, std::string(PATH_CAPACITY - 1, 'x').c_str())) << "259 characters fit";
}

TEST(Paths, MakeInstallNamesUsesTheWindowsDirectoryForTargets) {
    struct Row {
        const char *label;
        const char *windows, *engine;
        const char *saver, *beside, *player;
    };
    const Row rows[] = {
        {"setup on another drive", "C:\\WINDOWS", "D:\\SETUP\\FISH.EXE", "C:\\WINDOWS\\FISH.scr", "D:\\SETUP\\FISH.exe",
         "C:\\WINDOWS\\FISH.exe"},
        {"installed saver", "C:\\windows", "C:\\windows\\Fish Tank.scr", "C:\\windows\\Fish Tank.scr",
         "C:\\windows\\Fish Tank.exe", "C:\\windows\\Fish Tank.exe"},
        {"windows directory with a dot", "C:\\WIN.95", "A:\\F.EXE", "C:\\WIN.95\\F.scr", "A:\\F.exe", "C:\\WIN.95\\F.exe"},
        {"windows directory at a root", "C:\\", "A:\\F.EXE", "C:\\F.scr", "A:\\F.exe", "C:\\F.exe"},
        {"windows directory with trailing slash", "E:\\OS\\WIN\\", "F", "E:\\OS\\WIN\\F.scr", "F.exe", "E:\\OS\\WIN\\F.exe"},
    };
    for (const Row &row : rows) {
        char saver[PATH_CAPACITY], beside[PATH_CAPACITY], player[PATH_CAPACITY];
        ASSERT_EQ(PathResult::Ok, makeInstallNamesIn(row.windows, row.engine, saver, beside, player)) << row.label;
        EXPECT_STREQ(row.saver, saver) << row.label;
        EXPECT_STREQ(row.beside, beside) << row.label;
        EXPECT_STREQ(row.player, player) << row.label;
    }
}

TEST(Paths, MakeInstallNamesRefusesNamesThatDoNotFit) {
    const std::string windows = "C:\\" + std::string(250, 'w');
    char saver[PATH_CAPACITY], beside[PATH_CAPACITY], player[PATH_CAPACITY];
    EXPECT_EQ(PathResult::TooLong, makeInstallNamesIn(windows.c_str(), "D:\\SETUP\\FISHTANK.EXE", saver, beside, player));
    EXPECT_STREQ("", saver);
    EXPECT_STREQ("", beside);
    EXPECT_STREQ("", player);
}

class FileStatusTest : public TempDirTest {};

TEST_F(FileStatusTest, SizeAndExistenceOfFilesDirectoriesAndMissingPaths) {
    const std::string file = writeFile("five.bin", pattern(5));
    uint32_t size = 99;
    EXPECT_TRUE(getFileSize(file.c_str(), &size));
    EXPECT_EQ(5u, size);
    EXPECT_TRUE(fileExists(file.c_str()));

    const std::string missing = path("missing.bin");
    size = 99;
    EXPECT_FALSE(getFileSize(missing.c_str(), &size));
    EXPECT_EQ(0u, size);
    EXPECT_FALSE(fileExists(missing.c_str()));

    const std::string directory = path("");
    EXPECT_TRUE(getFileSize(directory.c_str(), &size));
    EXPECT_TRUE(fileExists(directory.c_str()));
}

}  // namespace
