// Installer and saver files that a maker signed with osslsigncode (tests/scripts/signing_test.sh
// makes and signs them, then runs this suite): each installs and runs as an unsigned one does, and
// the saver that an install writes names no certificate of its own.
#include <gtest/gtest.h>

#include <memory>

#include "install_fixture.h"
#include "payload/signature.h"

namespace {

const char ENTRY_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fish Tank.scr";

// The PE header's fields of a signature in a file's bytes; false when they are not a PE file's.
bool signatureFields(const std::vector<unsigned char> &bytes, PeSignatureFields *fields) {
    if (bytes.size() < DOS_HEADER_SIZE) return false;
    const uint32_t peAt = peHeaderOffset(bytes.data());
    return peAt != 0 && peAt < bytes.size() &&
           readPeSignatureFields(bytes.data() + peAt, std::min<size_t>(PE_HEADER_WINDOW, bytes.size() - peAt), peAt,
                                 fields);
}

uint32_t wordAt(const std::vector<unsigned char> &bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

class SignedFiles : public InstallRun {
protected:
    void SetUp() override {
        if (testOption("signed-saver").empty()) GTEST_SKIP() << "the ctest e2e_signed signs the files and runs this";
        InstallRun::SetUp();
    }
    void TearDown() override {
        InstallRun::TearDown();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyA(root, ENTRY_KEY);
    }

    static std::string signedFile(const char *option) { return toWindowsPath(testOption(option)); }

    // A run with /s starts the player: the test player records its start, ends by itself soon after,
    // and with it the run.
    void expectThePlayerRuns(const std::string &saver, const std::string &label) {
        const std::string record = dir_.file("player.txt");
        DeleteFileA(record.c_str());
        ScopedEnvironment recording("LUMIVEX_PLAYER_RECORD", record);
        ScopedEnvironment ending("LUMIVEX_PLAYER_EXIT_AFTER", "500");
        const ProcessResult run = runProcess(saver, "/s", RUN_TIMEOUT_MS);
        EXPECT_TRUE(run.finished) << label;
        EXPECT_EQ(0u, run.exitCode) << label;
        const auto bytes = readBytes(record);
        const std::string lines(bytes.begin(), bytes.end());
        EXPECT_EQ(0u, lines.find("start ")) << label << ": the player's record:\n" << lines;
        EXPECT_NE(std::string::npos, lines.find("\nend ")) << label << ": the player's record:\n" << lines;
    }
};

// The win31 class installs image A, the signed installer's own header, whose security entry and
// checksum the install clears; the other classes install image B, which no signature touched.
TEST_F(SignedFiles, ASignedInstallerInstallsOnEveryClassAndItsSaverNamesNoCertificate) {
    struct Row {
        const char *label;
        const char *option;     // the signed installer's test option
        const char *fileName;   // the installer's name, which names the saver on the win31 class
        const char *version;    // the test build's stand-in for the system's version value ("": none)
        const char *wineClass;  // Wine's per-program version (null: none)
        const char *saverBase;
        bool win31;
    };
    const Row rows[] = {
        {"win95 class", "signed-win95", "FISH.exe", "", nullptr, "Fish Tank", false},
        {"winNT class", "signed-winnt", "FISH.exe", "0x00004003", nullptr, "Fish Tank", false},
        {"win31 class", "signed-win31", "FISH31.exe", "", "nt351", "FISH31", true},
    };
    const auto player = readBytes(testPlayer());
    for (const Row &row : rows) {
        const std::string installer = dir_.file(row.fileName);
        ASSERT_TRUE(CopyFileA(signedFile(row.option).c_str(), installer.c_str(), FALSE)) << row.label;
        const auto signedBytes = readBytes(installer);
        PayloadTrailer t;
        PayloadPlace place;
        ASSERT_EQ(FileResult::Ok, readPayloadTrailer(installer.c_str(), &t, &place)) << row.label;
        ASSERT_NE(0u, place.certificateSize) << row.label << ": the installer is signed";

        const std::string saver = inWindows(std::string(row.saverBase) + ".scr");
        ScopedEnvironment version("LUMIVEX_TEST_VERSION", row.version);
        std::vector<std::unique_ptr<ScopedProgramVersion>> wineClass;
        if (row.wineClass != nullptr) {
            wineClass.emplace_back(new ScopedProgramVersion(row.fileName, row.wineClass));
            wineClass.emplace_back(new ScopedProgramVersion(std::string(row.saverBase) + ".scr", row.wineClass));
        }
        const AnsweredRun run = install(installer, "/q");
        EXPECT_EQ(0u, run.process.exitCode) << row.label;
        EXPECT_TRUE(run.boxes.empty()) << row.label << ": quiet";

        // The saver: the class's image of the payload before the certificate table, the bitmaps and
        // the trailer; an image that was the signed header names no table and has no checksum.
        const auto installed = readBytes(saver);
        auto expected = expectedSaver(slice(signedBytes, 0, place.end), row.win31);
        PeSignatureFields fields;
        ASSERT_TRUE(signatureFields(expected, &fields)) << row.label;
        if (row.win31) {
            std::fill_n(expected.begin() + fields.checksumAt, 4, 0);
            std::fill_n(expected.begin() + fields.securityEntryAt, 8, 0);
        }
        EXPECT_EQ(expected, installed) << row.label;
        ASSERT_TRUE(signatureFields(installed, &fields)) << row.label;
        EXPECT_EQ(0u, fields.certificateOffset) << row.label << ": the security entry names no table";
        EXPECT_EQ(0u, fields.certificateSize) << row.label;
        if (row.win31) {
            EXPECT_EQ(0u, wordAt(installed, fields.checksumAt)) << row.label << ": the checksum is cleared";
        }
        PayloadTrailer savedTrailer;
        PayloadPlace savedPlace;
        ASSERT_EQ(FileResult::Ok, readPayloadTrailer(saver.c_str(), &savedTrailer, &savedPlace)) << row.label;
        EXPECT_EQ(installed.size(), savedPlace.end) << row.label << ": the trailer ends the saver";
        EXPECT_EQ(player.size(), savedTrailer.playerSize) << row.label;
        EXPECT_EQ(player, readBytes(inWindows(std::string(row.saverBase) + ".exe"))) << row.label;

        expectThePlayerRuns(saver, row.label);
        waitForProcessesNamed("Inst9753.exe", RUN_TIMEOUT_MS);
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyA(root, ENTRY_KEY);
    }
}

// A maker may sign the saver file itself: its trailer ends where the certificate table starts.
TEST_F(SignedFiles, ASignedSaverFileRunsItsPlayer) {
    const std::string saver = inWindows("Fish Tank.scr");
    ASSERT_TRUE(CopyFileA(signedFile("signed-saver").c_str(), saver.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(testPlayer().c_str(), inWindows("Fish Tank.exe").c_str(), FALSE));
    PayloadTrailer t;
    PayloadPlace place;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(saver.c_str(), &t, &place));
    EXPECT_NE(0u, place.certificateSize) << "the saver is signed";
    EXPECT_EQ(readBytes(testPlayer()).size(), t.playerSize);
    expectThePlayerRuns(saver, "the signed saver");
}

}  // namespace
