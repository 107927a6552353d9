#include "install/install_plan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool startsWithIgnoringCase(const char *target, const char *enginePath) {
    for (; *enginePath != '\0'; ++target, ++enginePath) {
        if (*target == '\0' || std::tolower(static_cast<unsigned char>(*target)) !=
                                   std::tolower(static_cast<unsigned char>(*enginePath))) {
            return false;
        }
    }
    return true;
}

const char *resultName(RunResult result) {
    switch (result) {
        case RunResult::Done: return "done";
        case RunResult::PathTooLong: return "path too long";
        case RunResult::RunFromTarget: return "run from target";
        case RunResult::BadPayload: return "bad payload";
        case RunResult::NeedsWin16: return "needs win16";
        case RunResult::NeedsWin32: return "needs win32";
        default: return "other";
    }
}

// The installer file of the examples: image A 1000, image B 900, bitmaps 300 and 200, player
// 5000, trailer: 7444 bytes in all.
PayloadTrailer exampleTrailer() {
    PayloadTrailer t = {};
    t.imageASize = 1000;
    t.imageBSize = 900;
    t.splash1Size = 300;
    t.splash2Size = 200;
    t.playerSize = 5000;
    t.flags = TRAILER_FLAG_WIN32;
    return t;
}

struct Example {
    PlatformClass platform = {true, false, false};
    std::string windows = "C:\\WINDOWS";
    std::string engine = "D:\\SETUP\\FISH.EXE";
    const char *description = "Fish Tank";
    PayloadTrailer trailer = exampleTrailer();
    uint32_t fileSize = 7444;
    std::string playerFile;  // empty: none

    InstallFacts facts() const {
        return InstallFacts{platform,   windows.c_str(), engine.c_str(),
                            description, trailer,        fileSize,
                            playerFile.empty() ? nullptr : playerFile.c_str(), startsWithIgnoringCase};
    }
};

std::string paths(const InstallPlan &plan) {
    return std::string(plan.paths.temporarySaver) + " -> " + plan.paths.finalSaver + ", " +
           plan.paths.temporaryPlayer + " -> " + plan.paths.finalPlayer;
}

TEST(InstallPlan, NamesComeFromTheDescriptionOrTheInstallersOwnName) {
    struct Row {
        const char *label;
        PlatformClass platform;
        const char *engine, *description;
        const char *expected;
        bool namedByOwnFile;
    };
    const PlatformClass win95 = {true, false, false}, winNT = {false, true, false}, win31 = {false, false, true};
    const Row rows[] = {
        {"win95: temporary names, then the description's", win95, "D:\\SETUP\\FISH.EXE", "Fish Tank",
         "C:\\WINDOWS\\Inst9754.scr -> C:\\WINDOWS\\Fish Tank.scr, C:\\WINDOWS\\Inst9755.exe -> C:\\WINDOWS\\Fish Tank.exe",
         false},
        {"winNT works the same way", winNT, "D:\\SETUP\\FISH.EXE", "Fish Tank",
         "C:\\WINDOWS\\Inst9754.scr -> C:\\WINDOWS\\Fish Tank.scr, C:\\WINDOWS\\Inst9755.exe -> C:\\WINDOWS\\Fish Tank.exe",
         false},
        {"no description: the installer's own name", win95, "D:\\SETUP\\FISH.EXE", nullptr,
         "C:\\WINDOWS\\Inst9754.scr -> C:\\WINDOWS\\FISH.scr, C:\\WINDOWS\\Inst9755.exe -> C:\\WINDOWS\\FISH.exe", true},
        {"a description that names another directory", win95, "D:\\SETUP\\FISH.EXE", "..\\evil",
         "C:\\WINDOWS\\Inst9754.scr -> C:\\WINDOWS\\FISH.scr, C:\\WINDOWS\\Inst9755.exe -> C:\\WINDOWS\\FISH.exe", true},
        {"a description that is a working name", win95, "D:\\SETUP\\FISH.EXE", "inst9755",
         "C:\\WINDOWS\\Inst9754.scr -> C:\\WINDOWS\\FISH.scr, C:\\WINDOWS\\Inst9755.exe -> C:\\WINDOWS\\FISH.exe", true},
        {"win31: the own name", win31, "D:\\SETUP\\FISH31.EXE", "Fish Tank",
         "C:\\WINDOWS\\Inst9754.scr -> C:\\WINDOWS\\FISH31.scr, C:\\WINDOWS\\Inst9755.exe -> C:\\WINDOWS\\FISH31.exe", true},
    };
    for (const Row &row : rows) {
        Example example;
        example.platform = row.platform;
        example.engine = row.engine;
        example.description = row.description;
        if (row.platform.win31) example.trailer.flags = 0;
        InstallPlan plan;
        ASSERT_STREQ("done", resultName(planInstall(example.facts(), &plan))) << row.label;
        EXPECT_EQ(row.expected, paths(plan)) << row.label;
        EXPECT_EQ(row.namedByOwnFile, plan.namedByOwnFile) << row.label;
        EXPECT_EQ(!row.platform.win31, plan.finishingProcess) << row.label;
    }
}

TEST(InstallPlan, TheCopiedPartsLieWhereTheTrailerSays) {
    struct Row {
        const char *label;
        bool win31;
        int32_t imageFrom, imageTo;
    };
    const Row rows[] = {{"image B on win95", false, 1000, 1900}, {"image A on win31", true, 0, 1000}};
    for (const Row &row : rows) {
        Example example;
        if (row.win31) {
            example.platform = {false, false, true};
            example.trailer.flags = 0;
        }
        InstallPlan plan;
        ASSERT_STREQ("done", resultName(planInstall(example.facts(), &plan))) << row.label;
        EXPECT_EQ(row.imageFrom, plan.imageFrom) << row.label;
        EXPECT_EQ(row.imageTo, plan.imageTo) << row.label;
        EXPECT_EQ(1900, plan.splashFrom) << row.label;
        EXPECT_EQ(2400, plan.splashTo) << row.label;
        EXPECT_EQ(2400, plan.playerFrom) << row.label;
        EXPECT_EQ(7400, plan.playerTo) << row.label;
    }
}

// An installer lying in the Windows directory is refused only when it is one of the files the
// install writes (the temporary names on every class, the finishing copy on win95 and winNT) or
// moves to (the final names: the description's on win95 and winNT, the installer's own on win31).
TEST(InstallPlan, AnInstallerInTheWindowsDirectoryIsRefusedOnlyAsOneOfItsFiles) {
    struct Row {
        const char *label;
        const char *engine;
        const char *description;
        const char *win95, *winNT, *win31;
    };
    const char *const ok = "done", *const refused = "run from target";
    const Row rows[] = {
        {"named like neither, described", "C:\\WINDOWS\\FISHSET.EXE", "Fish Tank", ok, ok, refused},
        {"named like neither, no description", "C:\\WINDOWS\\FISHSET.EXE", nullptr, refused, refused, refused},
        {"named like its final player, described", "C:\\WINDOWS\\Fish Tank.exe", "Fish Tank", refused, refused,
         refused},
        {"named like its final player in another case", "c:\\windows\\FISH TANK.EXE", "Fish Tank", refused,
         refused, refused},
        {"named like the temporary player, described", "C:\\WINDOWS\\Inst9755.exe", "Fish Tank", refused, refused,
         refused},
        {"named like the temporary player, no description", "C:\\WINDOWS\\INST9755.EXE", nullptr, refused, refused,
         refused},
        {"named like the finishing copy, described", "C:\\WINDOWS\\Inst9753.exe", "Fish Tank", refused, refused,
         "bad payload"},
    };
    const PlatformClass classes[] = {{true, false, false}, {false, true, false}, {false, false, true}};
    const char *const classNames[] = {"win95", "winNT", "win31"};
    for (const Row &row : rows) {
        const char *const expected[] = {row.win95, row.winNT, row.win31};
        for (int c = 0; c < 3; ++c) {
            Example example;
            example.platform = classes[c];
            example.engine = row.engine;
            example.description = row.description;
            if (classes[c].win31) example.trailer.flags = 0;
            InstallPlan plan;
            EXPECT_STREQ(expected[c], resultName(planInstall(example.facts(), &plan)))
                << row.label << ", " << classNames[c];
        }
    }
}

// Each refusal, with the checks that come before it passed; the first failure decides.
TEST(InstallPlan, RefusalsComeInTheirOrder) {
    struct Row {
        const char *label;
        void (*change)(Example &);
        const char *expected;
    };
    const Row rows[] = {
        {"Windows directory too long for the names",
         [](Example &e) { e.windows = "C:\\" + std::string(252, 'w'); }, "path too long"},
        {"run from the saver target itself", [](Example &e) { e.engine = "C:\\WINDOWS\\Inst9754.scr"; },
         "run from target"},
        {"run from a target in another letter case", [](Example &e) { e.engine = "c:\\windows\\inst9755.exe"; },
         "run from target"},
        {"run from the final player: an untagged installer in the Windows directory",
         [](Example &e) {
             e.engine = "C:\\WINDOWS\\FISH.EXE";
             e.description = nullptr;
         },
         "run from target"},
        {"no usable name at all", [](Example &e) {
             e.engine = "D:\\SETUP\\inst9753.exe";
             e.description = nullptr;
         },
         "bad payload"},
        {"image A of size 0", [](Example &e) { e.trailer.imageASize = 0; }, "bad payload"},
        {"image B of size 0", [](Example &e) { e.trailer.imageBSize = 0; }, "bad payload"},
        {"file cut short by one byte", [](Example &e) { e.fileSize = 7443; }, "bad payload"},
        {"file size unknown", [](Example &e) { e.fileSize = 0; }, "bad payload"},
        {"sizes past 2^31 - 1", [](Example &e) { e.trailer.playerSize = 0x7FFFFFFFu; }, "bad payload"},
        {"external player path of 260 characters", [](Example &e) { e.playerFile = std::string(260, 'p'); },
         "path too long"},
        {"win31 class, 32-bit payload", [](Example &e) { e.platform = {false, false, true}; }, "needs win32"},
        {"winNT class, 16-bit payload", [](Example &e) {
             e.platform = {false, true, false};
             e.trailer.flags = 0;
         },
         "needs win16"},
        {"win95 class takes either payload", [](Example &e) { e.trailer.flags = 0; }, "done"},
        {"cut inside the player, with an external player", [](Example &e) {
             e.fileSize = 5000;
             e.playerFile = "E:\\Aquarium.exe";
         },
         "done"},
        {"cut inside the bitmaps, even with an external player", [](Example &e) {
             e.fileSize = 2300;
             e.playerFile = "E:\\Aquarium.exe";
         },
         "bad payload"},
    };
    for (const Row &row : rows) {
        Example example;
        row.change(example);
        InstallPlan plan;
        EXPECT_STREQ(row.expected, resultName(planInstall(example.facts(), &plan))) << row.label;
    }
}

}  // namespace
