// What the installer does when the Windows directory refuses its first write, over the systems the
// engine meets: ask for the administrator's rights, explain, or fail as a failed write does.
#include "install/elevation.h"

#include <gtest/gtest.h>

#include "tests/result_printers.h"

namespace {

const char *actionName(RightsAction action) {
    switch (action) {
        case RightsAction::Proceed:
            return "proceed";
        case RightsAction::AskElevation:
            return "ask elevation";
        case RightsAction::ExplainRights:
            return "explain rights";
        case RightsAction::Fail:
            return "fail";
    }
    return "?";
}

// GetVersion's values of the systems: build in the high word (bit 31 set on Windows 95, 98 and
// Me), minor and major version in the low word.
constexpr uint32_t WINDOWS_95 = 0xC3B60004, WINDOWS_ME = 0xC0005A04, NT_351 = 0x04213303, NT_4 = 0x05650004,
                   XP = 0x0A280105, VISTA = 0x17700006, WINDOWS_7 = 0x1DB10106, WINDOWS_10 = 0x4A61000A;
constexpr uint32_t DENIED = SYSTEM_ERROR_ACCESS_DENIED, DISK_FULL = 112, WRITE_PROTECTED = 19, SHARING = 32;

TEST(Rights, TheFirstWritesErrorDecidesWhatTheInstallerDoes) {
    struct Row {
        const char *label;
        uint32_t version;
        bool elevated;
        uint32_t error;
        const char *expected;
    };
    const Row rows[] = {
        {"allowed, Windows 10", WINDOWS_10, false, 0, "proceed"},
        {"allowed, Windows 95", WINDOWS_95, false, 0, "proceed"},
        {"denied, Vista, not elevated", VISTA, false, DENIED, "ask elevation"},
        {"denied, Windows 7, not elevated", WINDOWS_7, false, DENIED, "ask elevation"},
        {"denied, Windows 10, not elevated", WINDOWS_10, false, DENIED, "ask elevation"},
        {"denied, Windows 10, elevated already (the copy never asks again)", WINDOWS_10, true, DENIED,
         "explain rights"},
        {"denied, Windows XP: no elevation to ask for", XP, false, DENIED, "explain rights"},
        {"denied, NT 4", NT_4, false, DENIED, "explain rights"},
        {"denied, NT 3.51", NT_351, false, DENIED, "explain rights"},
        {"denied, Windows Me: major version 4 with bit 31 set", WINDOWS_ME, false, DENIED, "explain rights"},
        {"denied, Windows 95", WINDOWS_95, false, DENIED, "explain rights"},
        {"disk full, Windows 10: not a matter of rights", WINDOWS_10, false, DISK_FULL, "fail"},
        {"write-protected medium", WINDOWS_10, false, WRITE_PROTECTED, "fail"},
        {"sharing violation", VISTA, false, SHARING, "fail"},
    };
    for (const Row &row : rows) {
        EXPECT_STREQ(row.expected, actionName(rightsAction({row.version, row.elevated, row.error}))) << row.label;
    }
}

TEST(Rights, TheElevatedCopysStartDecidesTheInstallersResult) {
    struct Row {
        const char *label;
        Relaunch relaunch;
        RunResult expected;
        int exitCode;  // ElevatedCopy: the copy's own, which the entry point relays
    };
    const Row rows[] = {
        {"started: the copy's verdict", {true, 0}, RunResult::ElevatedCopy, 0},
        {"the user declined the system's question", {false, SYSTEM_ERROR_CANCELLED}, RunResult::Cancelled, -200},
        {"no ShellExecuteExA", {false, 127}, RunResult::NeedsRights, -2},
        {"the system refused the start", {false, DENIED}, RunResult::NeedsRights, -2},
    };
    for (const Row &row : rows) {
        const RunResult result = relaunchResult(row.relaunch);
        EXPECT_EQ(row.expected, result) << row.label;
        if (result != RunResult::ElevatedCopy) {
            EXPECT_EQ(row.exitCode, exitCodeOf(result)) << row.label;
        }
    }
}

}  // namespace
