// lumivex-pack saver and msi: the files an install leaves, cut from an installer file or from the
// build's inputs, and the Windows Installer package's source, version and upgrade code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "pack_run.h"
#include "payload/trailer.h"
#include "pe_image.h"
#include "signed_file.h"
#include "temp_dir.h"
#include "tools/pack/assemble.h"
#include "tools/pack/cli.h"
#include "tools/pack/msi.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes slice(const Bytes &bytes, size_t from, size_t length) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + length));
}

// PATH for the length of a test.
class ScopedPath {
public:
    explicit ScopedPath(const std::string &path) : saved_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        setenv("PATH", path.c_str(), 1);
    }
    ~ScopedPath() { setenv("PATH", saved_.c_str(), 1); }

private:
    std::string saved_;
};

class SaverCommand : public TempDirTest {
public:
    void SetUp() override {
        TempDirTest::SetUp();
        engine_ = writeFile("engine.exe", peImage());
        player_ = writeFile("player.exe", pattern(5000));
        splash1_ = writeFile("s1.bmp", bitmapFile(30, 8));
        splash2_ = writeFile("s2.bmp", bitmapFile(40, 12));
        std::filesystem::create_directory(path("out"));
    }

    std::vector<std::string> buildInputs(const char *flags) const {
        return {"--engine",  engine_,  "--player", player_,     "--splash1", splash1_,
                "--splash2", splash2_, "--name",   "Fish Tank", "--flags",   flags};
    }

    // An installer file of build's inputs.
    std::string installer(const std::string &file, const char *flags) {
        std::vector<std::string> args = buildInputs(flags);
        args.insert(args.begin(), "build");
        args.insert(args.end(), {"-o", path(file)});
        const Outcome made = run(args);
        EXPECT_EQ(0, made.code) << made.err;
        return path(file);
    }

    // What an install on the class writes: the image, the splash bitmaps, the trailer; the player.
    static Bytes expectedSaver(const Bytes &installer, bool win31) {
        PayloadTrailer t;
        std::memcpy(&t, installer.data() + installer.size() - TRAILER_SIZE, TRAILER_SIZE);
        Bytes saver = win31 ? slice(installer, 0, t.imageASize) : slice(installer, t.imageASize, t.imageBSize);
        const Bytes splash = slice(installer, t.imageASize + t.imageBSize, t.splash1Size + t.splash2Size);
        saver.insert(saver.end(), splash.begin(), splash.end());
        saver.insert(saver.end(), installer.end() - TRAILER_SIZE, installer.end());
        return saver;
    }
    static Bytes expectedPlayer(const Bytes &installer) {
        PayloadTrailer t;
        std::memcpy(&t, installer.data() + installer.size() - TRAILER_SIZE, TRAILER_SIZE);
        return slice(installer, installer.size() - TRAILER_SIZE - t.playerSize, t.playerSize);
    }

    std::string engine_, player_, splash1_, splash2_;
};

// A signed installer's image A is its signed header: the saver of the win31 class has the security
// entry and checksum cleared, so it equals the one cut from the unsigned file.
TEST_F(SaverCommand, WritesTheFilesAnInstallOfTheClassLeaves) {
    const std::string win32 = installer("FISH.exe", "0x4000"), win16 = installer("FISH16.exe", "0");
    const std::string signed32 = writeFile("SIGNED.exe", signFile(readFile(win32)));
    const std::string signed16 = writeFile("SIGNED16.exe", signFile(readFile(win16)));
    struct Row {
        const char *label;
        std::vector<std::string> inputs;
        const char *saverClass;  // null: the default
        std::string reference;   // the unsigned installer whose slices the files are
        bool win31;
    };
    const Row rows[] = {
        {"installer, default class", {"--installer", win32}, nullptr, win32, false},
        {"installer, win95", {"--installer", win32}, "win95", win32, false},
        {"installer, winNT", {"--installer", win32}, "winNT", win32, false},
        {"installer, win31", {"--installer", win16}, "win31", win16, true},
        {"16-bit installer, win95", {"--installer", win16}, "win95", win16, false},
        {"signed installer, win95", {"--installer", signed32}, "win95", win32, false},
        {"signed installer, win31", {"--installer", signed16}, "win31", win16, true},
        {"build's inputs, win95", buildInputs("0x4000"), "win95", win32, false},
        {"build's inputs, win31", buildInputs("0"), "win31", win16, true},
    };
    for (const Row &row : rows) {
        std::vector<std::string> args = {"saver"};
        args.insert(args.end(), row.inputs.begin(), row.inputs.end());
        if (row.saverClass != nullptr) args.insert(args.end(), {"--class", row.saverClass});
        args.insert(args.end(), {"-o", path("out")});
        const Outcome outcome = run(args);
        ASSERT_EQ(0, outcome.code) << row.label << ": " << outcome.err;
        EXPECT_EQ("lumivex-pack saver: wrote " + path("out") + "/Fish Tank.scr and " + path("out") + "/Fish Tank.exe\n",
                  outcome.out)
            << row.label;
        const Bytes reference = readFile(row.reference);
        EXPECT_EQ(expectedSaver(reference, row.win31), readFile(path("out/Fish Tank.scr"))) << row.label;
        EXPECT_EQ(expectedPlayer(reference), readFile(path("out/Fish Tank.exe"))) << row.label;
        EXPECT_EQ(readFile(player_), readFile(path("out/Fish Tank.exe"))) << row.label;
        EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(path("out")), {})) << row.label << ": no more";
        std::filesystem::remove_all(path("out"));
        std::filesystem::create_directory(path("out"));
    }
}

// Every refusal of saver and msi: bad usage exits 2 and points to the help, a failure exits 1 with
// its cause; neither leaves a file.
TEST_F(SaverCommand, RefusalsSayWhyAndLeaveNoFile) {
    const std::string win32 = installer("FISH.exe", "0x4000"), win16 = installer("FISH16.exe", "0");
    Bytes untagged = readFile(win32);
    const std::string tag = "SCRNSAVE: Fish Tank";
    const auto at = std::search(untagged.begin(), untagged.end(), tag.begin(), tag.end());
    std::fill(at, at + static_cast<long>(tag.size()), 0);
    const std::string noName = writeFile("NONAME.exe", untagged);
    const std::string text = writeFile("notes.txt", pattern(300));
    const std::string out = path("out"), msi = path("out/FISH.msi");
    std::filesystem::create_directory(path("nowixl"));
    std::filesystem::create_directory(path("badwixl"));
    writeFile("badwixl/wixl", Bytes());
    {
        std::ofstream script(path("badwixl/wixl"));
        script << "#!/bin/sh\necho 'Couldn'\"'\"'t find file' >&2\nexit 3\n";
    }
    std::filesystem::permissions(path("badwixl/wixl"), std::filesystem::perms::owner_all);
    // Saver files whose player was signed after 'saver' wrote them: it has grown.
    std::filesystem::create_directory(path("grown"));
    ASSERT_EQ(0, run({"saver", "--installer", win32, "-o", path("grown")}).code);
    const std::string grownPlayer = path("grown/Fish Tank.exe");
    const size_t playerSize = std::filesystem::file_size(grownPlayer);
    std::ofstream(grownPlayer, std::ios::app | std::ios::binary) << std::string(1544, '\x30');
    struct Row {
        const char *label;
        std::vector<std::string> args;
        int code;
        std::string expected;        // the whole of standard error
        std::string pathEntry = "";  // the only entry of PATH for the run; empty: PATH unchanged
    };
    const std::string saverHelp = "; see 'lumivex-pack saver --help'\n", msiHelp = "; see 'lumivex-pack msi --help'\n";
    const Row rows[] = {
        {"saver without inputs",
         {"saver", "-o", out},
         2,
         "lumivex-pack saver: saver needs --installer FILE or build's inputs (--engine, --player, --name)" + saverHelp},
        {"saver with both inputs",
         {"saver", "--installer", win32, "--engine", engine_},
         2,
         "lumivex-pack saver: saver takes one of --installer FILE or build's inputs (--engine, --player, --name)" +
             saverHelp},
        {"build's inputs without a player",
         {"saver", "--engine", engine_, "--name", "Fish"},
         2,
         "lumivex-pack saver: saver needs --engine, --player and --name together" + saverHelp},
        {"unknown class",
         {"saver", "--installer", win32, "--class", "win98"},
         2,
         "lumivex-pack saver: --class takes win95, winNT or win31, not 'win98'" + saverHelp},
        {"msi's option on saver",
         {"saver", "--installer", win32, "--version", "1.0.0"},
         2,
         "lumivex-pack saver: unknown option '--version'" + saverHelp},
        {"class on msi",
         {"msi", "--installer", win32, "--version", "1.0.0", "--class", "win31"},
         2,
         "lumivex-pack msi: unknown option '--class'" + msiHelp},
        {"msi without a version",
         {"msi", "--installer", win32},
         2,
         "lumivex-pack msi: msi needs --version A.B.C" + msiHelp},
        {"msi of a two-part version",
         {"msi", "--installer", win32, "--version", "1.2"},
         2,
         "lumivex-pack msi: --version '1.2': give three numbers a.b.c, a and b at most 255, c at most 65535, as "
         "Windows Installer compares them" +
             msiHelp},
        {"msi of a bad upgrade code",
         {"msi", "--installer", win32, "--version", "1.0.0", "--upgrade-code", "x"},
         2,
         "lumivex-pack msi: --upgrade-code 'x': give a GUID, XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" + msiHelp},
        {"win31 class of a 32-bit payload",
         {"saver", "--installer", win32, "--class", "win31", "-o", out},
         1,
         "lumivex-pack saver: " + win32 +
             ": the payload needs Windows 95 or NT (its flags hold 0x4000); the Windows 3.1 class does not install "
             "it\n"},
        {"winNT class of a 16-bit payload",
         {"saver", "--installer", win16, "--class", "winNT", "-o", out},
         1,
         "lumivex-pack saver: " + win16 +
             ": the payload is for the Windows 3.1 class (its flags lack 0x4000); the Windows NT class does not "
             "install it\n"},
        {"installer without a description",
         {"saver", "--installer", noName, "-o", out},
         1,
         "lumivex-pack saver: " + noName + ": the installer has no description; give the saver's name with --name\n"},
        {"no installer",
         {"saver", "--installer", text, "-o", out},
         1,
         "lumivex-pack saver: " + text + ": not an installer file: it does not end in a Lumivex payload trailer\n"},
        {"name a file cannot have",
         {"saver", "--installer", win32, "--name", "a/b", "-o", out},
         1,
         "lumivex-pack saver: --name \"a/b\": the name holds the character '/', which a file name cannot hold\n"},
        {"missing directory",
         {"saver", "--installer", win32, "-o", path("out/gone")},
         1,
         "lumivex-pack saver: " + path("out/gone") + "/Fish Tank.scr: cannot be written: No such file or directory\n"},
        {"msi without wixl",
         {"msi", "--installer", win32, "--version", "1.0.0", "-o", msi},
         1,
         "lumivex-pack msi: wixl was not found; install Debian's package wixl (msitools)\n",
         path("nowixl")},
        {"msi whose wixl fails",
         {"msi", "--installer", win32, "--version", "1.0.0", "-o", msi},
         1,
         "lumivex-pack msi: wixl failed (exit code 3): Couldn't find file\n",
         path("badwixl")},
        {"msi of a player grown since 'saver'",
         {"msi", "--saver-dir", path("grown"), "--version", "1.0.0", "-o", msi},
         1,
         "lumivex-pack msi: --saver-dir " + grownPlayer + ": the player has " + std::to_string(playerSize + 1544) +
             " bytes, the saver expects " + std::to_string(playerSize) +
             ", so the saver would not start it (sign a player before 'build', never after 'saver')\n"},
        {"msi into a missing directory",
         {"msi", "--installer", win32, "--version", "1.0.0", "-o", out + "/gone/F.msi"},
         1,
         "lumivex-pack msi: -o " + out + "/gone/F.msi: cannot be written: No such file or directory\n",
         path("badwixl")},
    };
    for (const Row &row : rows) {
        std::filesystem::create_directory(out);
        Outcome outcome;
        if (row.pathEntry.empty()) {
            outcome = run(row.args);
        } else {
            const ScopedPath only(row.pathEntry);
            outcome = run(row.args);
        }
        EXPECT_EQ(row.code, outcome.code) << row.label;
        EXPECT_EQ(row.expected, outcome.err) << row.label;
        EXPECT_EQ("", outcome.out) << row.label;
        EXPECT_EQ(0, std::distance(std::filesystem::directory_iterator(out), {})) << row.label << ": no file";
        std::filesystem::remove_all(out);
    }
}

TEST(MsiVersion, ThreeNumbersThatWindowsInstallerCompares) {
    const struct {
        const char *text;
        bool accepted;
    } rows[] = {
        {"1.0.0", true},    {"255.255.65535", true}, {"0.0.0", true},       {"1.2", false},
        {"1.2.3.4", false}, {"256.0.0", false},      {"1.256.0", false},    {"1.0.65536", false},
        {"1..0", false},    {"v1.0.0", false},       {"1.0.0-beta", false}, {"", false},
        {"-1.0.0", false},  {"1.0.", false},         {"123456.0.0", false},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(row.accepted, checkMsiVersion(row.text).empty())
            << "'" << row.text << "': " << checkMsiVersion(row.text);
    }
}

// The expected codes are Python's uuid.uuid5 of the lower-cased name in the same namespace.
TEST(MsiUpgradeCode, ANameBasedUuidOfTheNameInLowerCase) {
    const struct {
        const char *name;
        const char *code;
    } rows[] = {
        {"Lumivex Demo", "{FACE7EF4-19E1-5A45-9775-28FA16F175E9}"},
        {"LUMIVEX DEMO", "{FACE7EF4-19E1-5A45-9775-28FA16F175E9}"},
        {"fish tank", "{C159EED2-64D8-5A4D-A40B-F94CA457A0F8}"},
        {"Fish Tank", "{C159EED2-64D8-5A4D-A40B-F94CA457A0F8}"},
        {"", "{D3616612-545D-54F7-AD38-0A93DEF3FB19}"},
        {"\xCE\xA8\xCE\xAC\xCF\x81\xCE\xB9\xCE\xB1 \xE9\xAD\x9A", "{0A2A639C-4AA3-54F0-BB83-5D8BF3165A91}"},
    };
    for (const auto &row : rows) EXPECT_EQ(row.code, upgradeCodeFor(row.name)) << "'" << row.name << "'";
}

TEST(MsiUpgradeCode, AGivenGuidIsWrittenInTheFormWindowsInstallerTakes) {
    const struct {
        const char *text, *normalized;
    } rows[] = {
        {"face7ef4-19e1-5a45-9775-28fa16f175e9", "{FACE7EF4-19E1-5A45-9775-28FA16F175E9}"},
        {"{FACE7EF4-19E1-5A45-9775-28FA16F175E9}", "{FACE7EF4-19E1-5A45-9775-28FA16F175E9}"},
        {"FACE7EF419E15A45977528FA16F175E9", ""},
        {"{FACE7EF4-19E1-5A45-9775-28FA16F175E9", ""},
        {"GACE7EF4-19E1-5A45-9775-28FA16F175E9", ""},
        {"FACE7EF4-19E1-5A45-9775-28FA16F175E", ""},
    };
    for (const auto &row : rows) EXPECT_EQ(row.normalized, normalizeGuid(row.text)) << row.text;
}

// The source: per machine, both files in the Windows directory, a major upgrade of the code, the
// list entry's name and publisher, with XML's own characters escaped.
TEST(MsiSource, DescribesAPerMachinePackageOfBothFiles) {
    MsiPackage plain;
    plain.name = "Fish & Chips";
    plain.version = "1.2.3";
    plain.upgradeCode = "{C159EED2-64D8-5A4D-A40B-F94CA457A0F8}";
    plain.saverSource = "saver.scr";
    plain.playerSource = "player.exe";
    MsiPackage published = plain;
    published.publisher = "Ann's <Fish>";
    const struct {
        const char *label;
        const MsiPackage &package;
        const char *fragment;
    } rows[] = {
        {"product", plain,
         "<Product Id=\"*\" Name=\"Fish &amp; Chips (screen saver)\" Language=\"1033\" Version=\"1.2.3\" "
         "Manufacturer=\"Lumivex\" UpgradeCode=\"{C159EED2-64D8-5A4D-A40B-F94CA457A0F8}\">"},
        {"publisher", published, "Manufacturer=\"Ann&apos;s &lt;Fish&gt;\""},
        {"per machine", plain, "InstallScope=\"perMachine\""},
        {"major upgrade", plain, "<MajorUpgrade DowngradeErrorMessage=\"A newer version of Fish &amp; Chips is"},
        {"no modify", plain, "<Property Id=\"ARPNOMODIFY\" Value=\"1\"/>"},
        {"no repair", plain, "<Property Id=\"ARPNOREPAIR\" Value=\"1\"/>"},
        {"Windows directory", plain,
         "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n      <Directory Id=\"WindowsFolder\">"},
        {"saver", plain, "<File Id=\"SaverFile\" Name=\"Fish &amp; Chips.scr\" Source=\"saver.scr\" KeyPath=\"yes\"/>"},
        {"player", plain,
         "<File Id=\"PlayerFile\" Name=\"Fish &amp; Chips.exe\" Source=\"player.exe\" KeyPath=\"yes\"/>"},
    };
    for (const auto &row : rows) {
        const std::string source = msiSource(row.package);
        EXPECT_NE(std::string::npos, source.find(row.fragment)) << row.label << ": " << row.fragment << "\nin:\n"
                                                                << source;
    }
}

}  // namespace
