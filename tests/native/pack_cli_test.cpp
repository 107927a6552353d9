// lumivex-pack's command line as a maker meets it: help and version on standard output with exit 0,
// every bad usage named with a pointer to the help and exit 2, every failure with its real cause
// and exit 1.
#include "tools/pack/cli.h"

#include <gtest/gtest.h>

#include "pack_run.h"
#include "temp_dir.h"

namespace {

class PackCommandLine : public TempDirTest {};

TEST_F(PackCommandLine, HelpAndVersionGoToStandardOutput) {
    struct Row {
        std::vector<std::string> args;
        const char *starts;
    };
    const Row rows[] = {
        {{"--help"}, "lumivex-pack "},
        {{"-h"}, "lumivex-pack "},
        {{"help"}, "lumivex-pack "},
        {{"--version"}, "lumivex-pack "},
        {{"build", "--help"}, "usage: lumivex-pack build --engine"},
        {{"build", "--engine", "x.exe", "-h"}, "usage: lumivex-pack build"},
        {{"info", "--help"}, "usage: lumivex-pack info FILE"},
        {{"doctor", "-h"}, "usage: lumivex-pack doctor"},
    };
    for (const Row &row : rows) {
        const Outcome outcome = run(row.args);
        const std::string label = row.args[0] + (row.args.size() > 1 ? " " + row.args.back() : "");
        EXPECT_EQ(0, outcome.code) << label;
        EXPECT_EQ(0u, outcome.out.find(row.starts)) << label << ": " << outcome.out;
        EXPECT_EQ("", outcome.err) << label;
        if (row.args[0] != "--version") {
            EXPECT_NE(std::string::npos, outcome.out.find("exit codes: 0 done")) << label << ": the exit codes";
        }
    }
}

TEST_F(PackCommandLine, BadUsageNamesItselfAndPointsToTheHelp) {
    struct Row {
        std::vector<std::string> args;
        const char *expected;  // the whole line on standard error
    };
    const Row rows[] = {
        {{}, "lumivex-pack: give a command: build, info, doctor, saver or msi; see 'lumivex-pack --help'"},
        {{"frob"}, "lumivex-pack: unknown command 'frob'; see 'lumivex-pack --help'"},
        {{"--frob"}, "lumivex-pack: unknown option '--frob'; see 'lumivex-pack --help'"},
        {{"build", "--bogus", "1"}, "lumivex-pack build: unknown option '--bogus'; see 'lumivex-pack build --help'"},
        {{"build", "stray"}, "lumivex-pack build: unexpected argument 'stray'; see 'lumivex-pack build --help'"},
        {{"build", "--engine"}, "lumivex-pack build: --engine needs a value; see 'lumivex-pack build --help'"},
        {{"build", "--flags", "0x1FFFFFFFF"},
         "lumivex-pack build: --flags takes a number from 0 to 0xFFFFFFFF, not '0x1FFFFFFFF'; see 'lumivex-pack build "
         "--help'"},
        {{"build", "--player", "p.exe", "--name", "N", "-o", "o.exe"},
         "lumivex-pack build: build needs --engine, the engine (lumivex.exe); see 'lumivex-pack build --help'"},
        {{"build", "--engine", "e.exe", "--player", "p.exe", "-o", "o.exe"},
         "lumivex-pack build: build needs --name, the saver's name; see 'lumivex-pack build --help'"},
        {{"info"}, "lumivex-pack info: info needs a file; see 'lumivex-pack info --help'"},
        {{"info", "a", "b"}, "lumivex-pack info: info takes one file; see 'lumivex-pack info --help'"},
        {{"info", "--json"}, "lumivex-pack info: unknown option '--json'; see 'lumivex-pack info --help'"},
        {{"doctor"}, "lumivex-pack doctor: doctor needs a file; see 'lumivex-pack doctor --help'"},
        {{"doctor", "--windows"},
         "lumivex-pack doctor: doctor --windows needs a directory here; see 'lumivex-pack doctor --help'"},
        {{"doctor", "a", "b"},
         "lumivex-pack doctor: doctor takes one saver file or one directory; see 'lumivex-pack doctor --help'"},
    };
    for (const Row &row : rows) {
        const Outcome outcome = run(row.args);
        EXPECT_EQ(2, outcome.code) << row.expected;
        EXPECT_EQ(std::string(row.expected) + "\n", outcome.err);
        EXPECT_EQ("", outcome.out) << row.expected;
    }
}

TEST_F(PackCommandLine, FailuresSayTheRealCause) {
    const std::string missing = path("gone.exe");
    const std::string text = writeFile("notes.txt", pattern(300));
    struct Row {
        std::vector<std::string> args;
        std::string expected;  // the start of standard error
        int code;
    };
    const Row rows[] = {
        {{"info", missing}, "lumivex-pack: " + missing + ": cannot be opened: No such file or directory", 1},
        {{"info", path("")}, "lumivex-pack: " + path("") + ": is a folder, not a file", 1},
        {{"info", text},
         "lumivex-pack: " + text + ": not an installer or saver file: it does not end in a Lumivex payload trailer",
         1},
        {{"build", "--engine", missing, "--player", text, "--name", "Fish", "-o", path("o.exe")},
         "lumivex-pack: --engine " + missing + ": cannot be opened: No such file or directory",
         1},
        {{"build", "--engine", text, "--player", text, "--name", "a/b", "-o", path("o.exe")},
         "lumivex-pack: --name \"a/b\": the name holds the character '/', which a file name cannot hold",
         1},
    };
    for (const Row &row : rows) {
        const Outcome outcome = run(row.args);
        EXPECT_EQ(row.code, outcome.code) << row.expected;
        EXPECT_EQ(0u, outcome.err.find(row.expected)) << "expected: " << row.expected << "\nactual: " << outcome.err;
        EXPECT_EQ(std::string::npos, outcome.err.find("code -")) << "no bare result codes: " << outcome.err;
    }
    // The doctor says it in its finding.
    const Outcome doctor = run({"doctor", missing});
    EXPECT_EQ(1, doctor.code);
    EXPECT_NE(std::string::npos, doctor.out.find(missing + ": cannot be opened: No such file or directory"))
        << doctor.out;
}

}  // namespace
