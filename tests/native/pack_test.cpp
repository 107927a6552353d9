#include <cstring>

#include "payload/description_tag.h"
#include "payload/signature.h"
#include "pe_image.h"
#include "signed_file.h"
#include "temp_dir.h"
#include "tests/result_printers.h"
#include "tools/pack/assemble.h"
#include "tools/pack/doctor.h"

namespace {

class PackTest : public TempDirTest {
public:
    AssembleRequest request() {
        AssembleRequest r = {};
        r.engine = writeFile("engine.exe", peImage());
        r.player = writeFile("player.exe", pattern(5000));
        r.splash1 = writeFile("s1.bmp", bitmapFile(30, 8));
        r.splash2 = writeFile("s2.bmp", bitmapFile(40, 12));
        r.name = "Fish Tank";
        r.flags = 0x4000;
        r.output = path("FISH.exe");
        return r;
    }
};

TEST_F(PackTest, TheInstallerFileReadsBackPartByPart) {
    const AssembleRequest r = request();
    std::string error;
    ASSERT_EQ(0, assembleInstaller(r, &error)) << error;
    const auto out = readFile(r.output);

    PayloadTrailer t;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(r.output.c_str(), &t));
    EXPECT_EQ(0x1000u, t.imageASize);
    EXPECT_EQ(0x1000u, t.imageBSize);
    EXPECT_EQ(readFile(r.splash1).size(), t.splash1Size);
    EXPECT_EQ(readFile(r.splash2).size(), t.splash2Size);
    EXPECT_EQ(5000u, t.playerSize);
    EXPECT_EQ(0x4000u, t.flags);
    InstallerLayout layout;
    ASSERT_EQ(FileResult::Ok, installerLayout(t, static_cast<uint32_t>(out.size()), &layout));
    EXPECT_EQ(out.size(), static_cast<size_t>(layout.trailer) + TRAILER_SIZE) << "the trailer ends the file";

    char text[TAG_TEXT_CAPACITY];
    ASSERT_EQ(FileResult::Ok, readDescriptionTag(r.output.c_str(), DESCRIPTION_TAG, text));
    EXPECT_STREQ("Fish Tank", text) << "image A carries the name";
    int32_t tagAt = 0;
    ASSERT_NE(0, findTagInBuffer(DESCRIPTION_TAG, out.data() + layout.imageB, TAG_SEARCH_WINDOW, &tagAt));
    EXPECT_EQ(0, out[layout.imageB + tagAt + 10]) << "image B carries an empty text";
    EXPECT_EQ(10, out[layout.imageB + tagAt - 1]) << "length byte of an empty text";
    EXPECT_EQ(0x1A0, tagAt - 1) << "the tag starts right after the section table";

    const auto image = peImage();
    for (size_t i = 0x400; i < image.size(); ++i) {
        ASSERT_EQ(image[i], out[i]) << "image A section data at " << i;
        ASSERT_EQ(image[i], out[layout.imageB + i]) << "image B section data at " << i;
    }
    const auto splash1 = readFile(r.splash1);
    EXPECT_TRUE(std::equal(splash1.begin(), splash1.end(), out.begin() + layout.splash));
    const auto player = readFile(r.player);
    EXPECT_TRUE(std::equal(player.begin(), player.end(), out.begin() + layout.player));

    std::string report;
    EXPECT_EQ(0, describeEngineFile(r.output, &report)) << report;
    EXPECT_NE(std::string::npos, report.find("\"Fish Tank\"")) << report;
    EXPECT_NE(std::string::npos, report.find("player   at " + std::to_string(layout.player))) << report;
}

// Each refusal names the argument at fault and its file, and says what is wrong in words.
TEST_F(PackTest, RefusalsNameTheArgumentAndTheProblemAndLeaveNoFile) {
    struct Row {
        const char *label;
        void (*change)(AssembleRequest &, PackTest &);
        const char *argument;  // how the message starts
        const char *problem;   // part of what it says after the path
    };
    const Row rows[] = {
        {"double quote in the name", [](AssembleRequest &r, PackTest &) { r.name = "Fish \"Tank\""; }, "--name",
         "the name holds the character '\"'"},
        {"slash in the name", [](AssembleRequest &r, PackTest &) { r.name = "a/b"; }, "--name \"a/b\"",
         "holds the character '/', which a file name cannot hold"},
        {"empty name", [](AssembleRequest &r, PackTest &) { r.name = ""; }, "--name", "the name is empty"},
        {"name too long", [](AssembleRequest &r, PackTest &) { r.name = std::string(201, 'n'); }, "--name", "longer"},
        {"temporary saver's name in another case", [](AssembleRequest &r, PackTest &) { r.name = "inst9754"; },
         "--name", "installer uses itself"},
        {"no room for the name",
         [](AssembleRequest &r, PackTest &t) { r.engine = t.writeFile("tight.exe", peImage(0x1B0)); }, "--name",
         "too long for the room in the executable header of --engine"},
        {"engine missing", [](AssembleRequest &r, PackTest &t) { r.engine = t.path("gone.exe"); }, "--engine",
         "gone.exe: cannot be opened: No such file or directory"},
        {"engine is a folder", [](AssembleRequest &r, PackTest &t) { r.engine = t.path(""); }, "--engine",
         "is a folder, not a file"},
        {"engine not a program",
         [](AssembleRequest &r, PackTest &t) { r.engine = t.writeFile("text.exe", pattern(3000)); }, "--engine",
         "not a Windows program"},
        {"an installer given as the engine",
         [](AssembleRequest &r, PackTest &t) {
             AssembleRequest inner = t.request();
             inner.output = t.path("INNER.exe");
             std::string ignored;
             assembleInstaller(inner, &ignored);
             r.engine = inner.output;
         },
         "--engine", "it is an installer or saver file, not the engine"},
        {"player missing", [](AssembleRequest &r, PackTest &t) { r.player = t.path("gone.exe"); }, "--player",
         "cannot be opened"},
        {"splash that is no picture",
         [](AssembleRequest &r, PackTest &t) { r.splash1 = t.writeFile("notes.txt", pattern(100)); }, "--splash1",
         "not a BMP, PNG or JPEG picture"},
        {"bitmap size field off",
         [](AssembleRequest &r, PackTest &t) {
             auto bmp = bitmapFile(4, 4);
             bmp.push_back(0);
             r.splash2 = t.writeFile("bad.bmp", bmp);
         },
         "--splash2", "size field"},
        {"bitmap header size 13",
         [](AssembleRequest &r, PackTest &t) {
             auto bmp = bitmapFile(4, 4);
             bmp[14] = 13;
             r.splash1 = t.writeFile("bad13.bmp", bmp);
         },
         "--splash1", "header size"},
        {"bitmap pixels past its end",
         [](AssembleRequest &r, PackTest &t) {
             auto bmp = bitmapFile(4, 4);
             bmp[22] = 200;  // a height the pixels in the file do not cover
             r.splash1 = t.writeFile("tall.bmp", bmp);
         },
         "--splash1", "run past"},
        {"output in a missing folder", [](AssembleRequest &r, PackTest &t) { r.output = t.path("no/FISH.exe"); }, "-o",
         "cannot be written: No such file or directory"},
    };
    for (const Row &row : rows) {
        AssembleRequest r = request();
        row.change(r, *this);
        std::string error;
        EXPECT_NE(0, assembleInstaller(r, &error)) << row.label;
        EXPECT_EQ(0u, error.find(row.argument)) << row.label << ": " << error;
        EXPECT_NE(std::string::npos, error.find(row.problem)) << row.label << ": " << error;
        EXPECT_FALSE(std::filesystem::exists(r.output)) << row.label;
        EXPECT_FALSE(std::filesystem::exists(r.output + ".partial")) << row.label;
    }
}

// A maker may hand over an installer file (or an installed saver) as the player by mistake: it is
// packed as it is, with a warning, and the new installer file is still whole.
TEST_F(PackTest, APlayerThatEndsInATrailerIsPackedWholeWithAWarning) {
    AssembleRequest inner = request();
    inner.output = path("INNER.exe");
    std::string error;
    ASSERT_EQ(0, assembleInstaller(inner, &error)) << error;
    EXPECT_EQ("", checkPlayerFile(inner.player)) << "a plain player";
    EXPECT_NE(std::string::npos, checkPlayerFile(inner.output).find("trailer of its own"));

    AssembleRequest outer = request();
    outer.player = inner.output;
    ASSERT_EQ(0, assembleInstaller(outer, &error)) << error;
    const auto player = readFile(inner.output);
    const auto out = readFile(outer.output);
    PayloadTrailer t;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(outer.output.c_str(), &t));
    EXPECT_EQ(player.size(), t.playerSize);
    InstallerLayout layout;
    ASSERT_EQ(FileResult::Ok, installerLayout(t, static_cast<uint32_t>(out.size()), &layout));
    EXPECT_EQ(out.size(), static_cast<size_t>(layout.trailer) + TRAILER_SIZE) << "a trailer of its own, appended";
    EXPECT_TRUE(std::equal(player.begin(), player.end(), out.begin() + layout.player)) << "the player whole";
    std::string report;
    EXPECT_EQ(0, describeEngineFile(outer.output, &report)) << report;
}

TEST_F(PackTest, InfoFlagsATruncatedFile) {
    const AssembleRequest r = request();
    std::string error;
    ASSERT_EQ(0, assembleInstaller(r, &error)) << error;
    auto bytes = readFile(r.output);
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + 3000);
    cut.insert(cut.end(), bytes.end() - TRAILER_SIZE, bytes.end());
    const std::string truncated = writeFile("CUT.exe", cut);
    std::string report;
    EXPECT_EQ(1, describeEngineFile(truncated, &report));
    EXPECT_NE(std::string::npos, report.find("INCONSISTENT")) << report;
    EXPECT_EQ(1, describeEngineFile(r.engine, &report)) << "no trailer at all";
}

// A maker may sign the installer file, or a saver file: info and the doctor read its parts up to
// the certificate table and say that it is signed; a file whose parts do not fit is still refused.
TEST_F(PackTest, InfoAndTheDoctorReadSignedFilesUpToTheirCertificateTable) {
    AssembleRequest r = request();
    r.player = writeFile("player.exe", peImage(0x400, 0xCC));
    std::string error;
    ASSERT_EQ(0, assembleInstaller(r, &error)) << error;
    const auto installer = readFile(r.output);
    PayloadTrailer t;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(r.output.c_str(), &t));
    // The saver an install writes on the win95 class: image B, the bitmaps, the trailer.
    std::vector<unsigned char> saver(installer.begin() + t.imageASize,
                                     installer.begin() + t.imageASize + t.imageBSize + t.splash1Size + t.splash2Size);
    saver.insert(saver.end(), installer.end() - TRAILER_SIZE, installer.end());
    std::vector<unsigned char> cut(installer.begin(), installer.end() - TRAILER_SIZE - 1000);
    cut.insert(cut.end(), installer.end() - TRAILER_SIZE, installer.end());
    writeFile("Fish Tank.exe", readFile(r.player));  // the player beside the saver

    struct Row {
        const char *label;
        const char *name;
        std::vector<unsigned char> bytes;
        int infoCode;
        const char *layout;   // info's layout line
        const char *finding;  // the doctor's first finding
    };
    const Row rows[] = {
        {"a signed installer", "FISH.exe", signFile(installer), 0, "layout: installer file", "an installer file of "},
        {"a signed saver", "Fish Tank.scr", signFile(saver), 0, "layout: installed saver file (image B)",
         "an installed saver of "},
        {"a signed installer cut inside its player", "CUT.exe", signFile(cut), 1,
         "layout: INCONSISTENT: the parts and the trailer do not add up to the size of what precedes the certificate "
         "table",
         "what precedes its certificate table has "},
    };
    for (const Row &row : rows) {
        const std::string file = writeFile(row.name, row.bytes);
        std::string report;
        EXPECT_EQ(row.infoCode, describeEngineFile(file, &report)) << row.label << "\n" << report;
        const size_t table = row.bytes.size() - 1480;
        EXPECT_NE(std::string::npos, report.find("  signed: a certificate table of 1480 bytes at " +
                                                 std::to_string(table) + " follows the payload\n"))
            << row.label << "\n"
            << report;
        EXPECT_NE(std::string::npos, report.find("  " + std::string(row.layout) + "\n")) << row.label << "\n" << report;

        std::vector<Finding> findings;
        diagnoseSaver(file, &findings);
        const std::string found = formatFindings(findings, false);
        ASSERT_GE(findings.size(), 2u) << row.label << "\n" << found;
        EXPECT_NE(std::string::npos, findings[0].text.find(row.finding)) << row.label << "\n" << found;
        EXPECT_NE(std::string::npos,
                  found.find("ok      " + file + ": signed: a certificate table of 1480 bytes follows the payload\n"))
            << row.label << "\n"
            << found;
        EXPECT_EQ(row.infoCode, doctorExitCode(findings)) << row.label << "\n" << found;
    }
}

// A signature of the engine cannot survive the description written into its header: a signed
// engine goes into the installer as it was before it was signed, its header naming no table.
TEST_F(PackTest, ASignedEngineIsPackedAsItWasBeforeItWasSigned) {
    const auto engine = peImage(), engine31 = peImage(0x400, 0x91);
    struct Row {
        const char *label;
        bool engineSigned, win31Signed;
    };
    const Row rows[] = {
        {"--engine signed", true, false},
        {"--engine-win31 signed", false, true},
        {"both signed", true, true},
    };
    AssembleRequest plain = request();
    plain.engineWin31 = writeFile("engine31.exe", engine31);
    plain.output = path("PLAIN.exe");
    std::string error;
    ASSERT_EQ(0, assembleInstaller(plain, &error)) << error;
    for (const Row &row : rows) {
        AssembleRequest r = plain;
        r.engine = writeFile("signed.exe", row.engineSigned ? signFile(engine) : engine);
        r.engineWin31 = writeFile("signed31.exe", row.win31Signed ? signFile(engine31) : engine31);
        r.output = path("FISH.exe");
        ASSERT_EQ(0, assembleInstaller(r, &error)) << row.label << ": " << error;
        EXPECT_EQ(readFile(plain.output), readFile(r.output)) << row.label;
    }
}

}  // namespace
