// Installs that meet a damaged installer file, a system.ini that cannot be written, read-only
// files or a disk that fills up. Afterwards either the earlier saver is intact and registered, or
// the new one is complete and registered, never neither; and a failure is told, never success.
#include <gtest/gtest.h>

#include "install_fixture.h"

namespace {

// An earlier "Fish Tank", installed and registered by the installer itself, with a player of
// other bytes than the new one's.
class InstallFault : public InstallRun {
protected:
    void installEarlier(const char *name = "EARLIER.exe", const char *flags = "0x4000") {
        const std::string earlierPlayer = dir_.file("earlier-player.bin");
        ASSERT_TRUE(writeBytes(earlierPlayer, std::vector<unsigned char>(50000, 0xE1)));
        const std::string installer = assemble(name, "Fish Tank", flags, earlierPlayer);
        ASSERT_EQ(0u, install(installer, "/q").process.exitCode) << "the earlier install";
        earlierSaver_ = readBytes(inWindows(finalName(".scr")));
        earlierPlayer_ = readBytes(inWindows(finalName(".exe")));
        ASSERT_FALSE(earlierSaver_.empty());
        earlierRegistration_ = readProfileText("boot", "scrnsave.exe", "system.ini");
    }

    // The final names: the description's, or on the win31 class the installer's own.
    std::string finalName(const char *extension) const { return finalBase_ + extension; }

    void expectEarlierIntact(const std::string &label) {
        EXPECT_EQ(earlierSaver_, readBytes(inWindows(finalName(".scr")))) << label << ": the earlier saver";
        EXPECT_EQ(earlierPlayer_, readBytes(inWindows(finalName(".exe")))) << label << ": the earlier player";
        EXPECT_EQ(earlierRegistration_, readProfileText("boot", "scrnsave.exe", "system.ini")) << label;
        expectNoWorkingFiles(label);
    }

    void expectNewInstalled(const std::string &installer, bool win31, const std::string &label) {
        EXPECT_EQ(expectedSaver(readBytes(installer), win31), readBytes(inWindows(finalName(".scr")))) << label;
        EXPECT_EQ(readBytes(player_), readBytes(inWindows(finalName(".exe")))) << label;
        char shortPath[MAX_PATH] = {};
        GetShortPathNameA(inWindows(finalName(".scr")).c_str(), shortPath, MAX_PATH);
        const std::string registered = readProfileText("boot", "scrnsave.exe", "system.ini");
        EXPECT_TRUE(registered == shortPath || registered == inWindows(finalName(".scr")))
            << label << ": " << registered;
        expectNoWorkingFiles(label);
    }

    // No temporary file and no kept-aside earlier file is left (the finishing copy may stay until
    // an engine in the Windows directory ends).
    static void expectNoWorkingFiles(const std::string &label) {
        for (const char *working : {"Inst9754.scr", "Inst9755.exe", "Inst9756.scr", "Inst9756.exe"}) {
            EXPECT_FALSE(pathExists(inWindows(working))) << label << ": " << working << " left behind";
        }
    }

    std::string finalBase_ = "Fish Tank";
    std::vector<unsigned char> earlierSaver_, earlierPlayer_;
    std::string earlierRegistration_;
};

void put32(std::vector<unsigned char> &bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

TEST_F(InstallFault, ADamagedInstallerFileChangesNothing) {
    installEarlier();
    const std::string made = assemble("FISH.exe", "Fish Tank");
    const auto bytes = readBytes(made);
    PayloadTrailer t;
    std::memcpy(&t, bytes.data() + bytes.size() - TRAILER_SIZE, TRAILER_SIZE);
    const size_t ends[] = {t.imageASize, t.imageASize + t.imageBSize, t.imageASize + t.imageBSize + t.splash1Size,
                           t.imageASize + t.imageBSize + t.splash1Size + t.splash2Size, bytes.size() - TRAILER_SIZE};
    const size_t splash1 = t.imageASize + t.imageBSize, splash2 = splash1 + t.splash1Size;
    const std::vector<unsigned char> trailer(bytes.end() - TRAILER_SIZE, bytes.end());
    auto cut = [&](size_t at) { return slice(bytes, 0, at); };
    auto cutKeepingTrailer = [&](size_t at) {
        auto kept = cut(at);
        kept.insert(kept.end(), trailer.begin(), trailer.end());
        return kept;
    };
    auto changed = [&](size_t at, uint32_t value) {
        auto copy = bytes;
        put32(copy, at, value);
        return copy;
    };
    struct Row {
        const char *label;
        std::vector<unsigned char> file;
        DWORD expected;
        bool told;  // the failure message is shown
    };
    const Row rows[] = {
        {"cut after image A", cut(ends[0]), code(-4), false},
        {"cut after image B", cut(ends[1]), code(-4), false},
        {"cut after splash 1", cut(ends[2]), code(-4), false},
        {"cut after splash 2", cut(ends[3]), code(-4), false},
        {"cut after the player", cut(ends[4]), code(-4), false},
        {"cut inside image B, trailer kept", cutKeepingTrailer(ends[0] + 1000), code(-100), true},
        {"one byte missing before the trailer", cutKeepingTrailer(ends[4] - 1), code(-100), true},
        {"sizes that add up past 2^31", changed(bytes.size() - TRAILER_SIZE + 8, 0x7FFFFFF0u), code(-100), true},
        {"splash 1 with a header size of 13", changed(splash1 + 14, 13), code(-100), true},
        {"splash 2 whose colours run past its end", changed(splash2 + 14 + 32, 0x00FFFFFFu), code(-100), true},
    };
    for (const Row &row : rows) {
        const std::string installer = dir_.file("DAMAGED.exe");
        ASSERT_TRUE(writeBytes(installer, row.file)) << row.label;
        const AnsweredRun run = install(installer);
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        if (row.told) {
            expectOneBox(run, FAILED, row.label);
        } else {
            EXPECT_TRUE(run.boxes.empty()) << row.label << ": a file without a payload runs no installer";
        }
        expectEarlierIntact(row.label);
    }
}

// The registration cannot be written: nothing is moved, and the user is told.
TEST_F(InstallFault, ASystemIniThatCannotBeWrittenLeavesTheEarlierSaver) {
    struct Row {
        const char *label;
        const char *installer, *flags, *version;
        const char *finalBase;
        size_t boxes;  // on the win31 class the files of the installer's own name are asked about first
    };
    const Row rows[] = {
        {"win95 class", "FISH.exe", "0x4000", nullptr, "Fish Tank", 1},
        {"win31 class", "FISH31.exe", "0", "nt351", "FISH31", 2},
    };
    const std::string systemIni = inWindows("system.ini");
    for (const Row &row : rows) {
        std::unique_ptr<ScopedProgramVersion> version;
        if (row.version != nullptr) version.reset(new ScopedProgramVersion(row.installer, row.version));
        finalBase_ = row.finalBase;
        installEarlier(row.installer, row.flags);
        const std::string installer = assemble(row.installer, "Fish Tank", row.flags);
        SetFileAttributesA(systemIni.c_str(), FILE_ATTRIBUTE_READONLY);
        const AnsweredRun run = install(installer);
        SetFileAttributesA(systemIni.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(2u, run.process.exitCode) << row.label << ": not committed";
        ASSERT_EQ(row.boxes, run.boxes.size()) << row.label;
        EXPECT_EQ(FAILED, run.boxes.back().text) << row.label;
        expectEarlierIntact(row.label);
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
    }
}

TEST_F(InstallFault, ReadOnlyFilesOfTheFinalNamesAreReplacedWhole) {
    installEarlier();
    for (const char *extension : {".scr", ".exe"}) {
        SetFileAttributesA(inWindows(finalName(extension)).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    const std::string installer = assemble("FISH.exe", "Fish Tank");
    const AnsweredRun run = install(installer, "/q");
    EXPECT_EQ(0u, run.process.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    expectNewInstalled(installer, false, "read-only earlier files");
    for (const char *extension : {".scr", ".exe"}) {
        SetFileAttributesA(inWindows(finalName(extension)).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// The Windows directory refuses the installer's first write for lack of rights: here a folder holds
// the temporary saver's name, which the system refuses to open for writing with the same error
// (ERROR_ACCESS_DENIED) that today's Windows gives an ordinary user there. Wine runs programs with
// the administrator's rights, so the shipped engine has no one to ask and names the cause, with
// its messages and quietly; nothing is written and the earlier saver stays registered.
TEST_F(InstallFault, AFirstWriteRefusedForLackOfRightsIsNamedAndChangesNothing) {
    installEarlier();
    DeleteFileA(inWindows("Inst9753.exe").c_str());  // the earlier install's finishing copy
    const std::string installer = assemble("FISH.exe", "Fish Tank", "0x4000", "", shippedEngine());
    for (const char *args : {"", "/q"}) {
        ASSERT_TRUE(CreateDirectoryA(inWindows("Inst9754.scr").c_str(), nullptr)) << args;
        const AnsweredRun run = install(installer, args);
        EXPECT_EQ(code(-2), run.process.exitCode) << args;
        expectOneBox(run, NEEDS_RIGHTS, args);
        EXPECT_TRUE(RemoveDirectoryA(inWindows("Inst9754.scr").c_str())) << args << ": the folder is as it was";
        expectEarlierIntact(args);
        EXPECT_FALSE(pathExists(inWindows("Inst9753.exe"))) << args << ": no finishing copy";
    }
}

// A commit cut short (a crash, a power cut) leaves earlier files under the backup name. The next
// install still commits: a stale backup beside the earlier files is removed before they are set
// aside, and backups with no earlier files beside them are the earlier files of that commit, kept
// until the new ones are in place. The shipped engine, whose finishing process renames with
// MoveFileA, which needs a free destination.
TEST_F(InstallFault, BackupsLeftByACommitCutShortDoNotStopTheNext) {
    struct Row {
        const char *label;
        bool earlierFilesStay;  // else the earlier files are the backups
        DWORD backupAttributes;
    };
    const Row rows[] = {
        {"stale backups beside the earlier files", true, FILE_ATTRIBUTE_NORMAL},
        {"read-only stale backups", true, FILE_ATTRIBUTE_READONLY},
        {"the earlier files kept aside as backups", false, FILE_ATTRIBUTE_NORMAL},
    };
    for (const Row &row : rows) {
        installEarlier();
        for (const char *extension : {".scr", ".exe"}) {
            const std::string backup = inWindows(std::string("Inst9756") + extension);
            if (row.earlierFilesStay) {
                ASSERT_TRUE(writeBytes(backup, {'s', 't', 'a', 'l', 'e'})) << row.label;
            } else {
                ASSERT_TRUE(MoveFileA(inWindows(finalName(extension)).c_str(), backup.c_str())) << row.label;
            }
            SetFileAttributesA(backup.c_str(), row.backupAttributes);
        }
        const std::string installer = assemble("FISH.exe", "Fish Tank", "0x4000", "", shippedEngine());
        const AnsweredRun run = install(installer, "/q");
        EXPECT_EQ(0u, run.process.exitCode) << row.label;
        EXPECT_TRUE(run.boxes.empty()) << row.label;
        expectNewInstalled(installer, false, row.label);
        for (const char *name : WINDOWS_FILES) {
            SetFileAttributesA(inWindows(name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(inWindows(name).c_str());
        }
    }
}

// The Windows directory on a disk of its own with little room (ctest gives this suite one), filled
// up to what each row leaves free before the new install starts.
class SmallDiskInstall : public InstallFault {
protected:
    static uint64_t freeBytes() {
        ULARGE_INTEGER free = {}, total = {}, totalFree = {};
        GetDiskFreeSpaceExA((windowsDirectory() + "\\").c_str(), &free, &total, &totalFree);
        return free.QuadPart;
    }
    // Fills the Windows directory's disk until no more than `room` bytes are free.
    void leaveFree(uint64_t room) {
        HANDLE filler = CreateFileA(inWindows("filler.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, filler);
        const std::vector<unsigned char> zeros(65536, 0);
        for (uint64_t free = freeBytes(); free > room; free = freeBytes()) {
            const DWORD piece = static_cast<DWORD>(std::min<uint64_t>(zeros.size(), free - room));
            DWORD written = 0;
            if (!WriteFile(filler, zeros.data(), piece, &written, nullptr) || written == 0) break;
            FlushFileBuffers(filler);
        }
        CloseHandle(filler);
    }
    void TearDown() override {
        DeleteFileA(inWindows("filler.bin").c_str());
        InstallFault::TearDown();
    }
};

TEST_F(SmallDiskInstall, ADiskThatFillsLeavesTheEarlierSaverOrTheNewOneComplete) {
    ASSERT_LT(freeBytes(), 64ull << 20) << "the Windows directory is not on a small disk";
    // A player of a megabyte, so the temporary files need more room than the finishing copy.
    std::vector<unsigned char> big(1 << 20);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 13 + 5);
    ASSERT_TRUE(writeBytes(player_, big));
    struct Row {
        const char *label;
        uint64_t room;  // bytes left free
        DWORD expected;
        bool installed;
    };
    const uint64_t KB = 1024;
    const Row rows[] = {
        {"room for part of the new saver", 100 * KB, code(-4), false},
        {"room for the new files but not the finishing copy", 1400 * KB, code(-4), false},
        {"room for everything", 4096 * KB, 0, true},
    };
    for (const Row &row : rows) {
        installEarlier();
        const std::string installer = assemble("FISH.exe", "Fish Tank");
        // The earlier install's finishing copy would be overwritten in place, needing no room.
        DeleteFileA(inWindows("Inst9753.exe").c_str());
        leaveFree(row.room);
        const AnsweredRun run = install(installer);
        DeleteFileA(inWindows("filler.bin").c_str());
        EXPECT_EQ(row.expected, run.process.exitCode) << row.label;
        expectOneBox(run, row.installed ? INSTALLED : FAILED, row.label);
        if (row.installed) {
            expectNewInstalled(installer, false, row.label);
        } else {
            expectEarlierIntact(row.label);
        }
        waitForProcessesNamed("Inst9753.exe", RUN_TIMEOUT_MS);
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
    }
}

}  // namespace
