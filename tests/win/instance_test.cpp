// The single-instance counter shared by all processes of one image file.
#include <gtest/gtest.h>

#include "hold_events.h"
#include "support.h"

namespace {

constexpr DWORD ADMITTED = 1;
constexpr DWORD REFUSED = 2;

TEST(SingleInstance, OnlyTheFirstProcessOfTheFileIsAdmitted) {
    const std::string probe = toWindowsPath(testOption("probe"));
    ASSERT_FALSE(probe.empty()) << "--probe=PATH of instance_probe.exe";
    HoldEvents hold("lumivex-instance-" + std::to_string(GetCurrentProcessId()));

    PROCESS_INFORMATION first;
    {
        ScopedEnvironment held("LUMIVEX_TEST_HOLD", hold.name());
        ASSERT_TRUE(startProcess(probe, "", &first)) << "error " << GetLastError();
    }
    ASSERT_TRUE(hold.waitEntered(20000)) << "the first process did not enter";

    const ProcessResult second = runProcess(probe, "", 20000);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(REFUSED, second.exitCode) << "a second process while the first runs";
    const ProcessResult third = runProcess(probe, "", 20000);
    EXPECT_EQ(REFUSED, third.exitCode) << "the refused process left the count as it found it";

    hold.release();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first.hProcess, 20000));
    DWORD code = 0;
    GetExitCodeProcess(first.hProcess, &code);
    EXPECT_EQ(ADMITTED, code) << "the first process was admitted and undisturbed";
    CloseHandle(first.hThread);
    CloseHandle(first.hProcess);

    const ProcessResult after = runProcess(probe, "", 20000);
    EXPECT_EQ(ADMITTED, after.exitCode) << "once every process left, the next is the first again";
}

TEST(SingleInstance, ACopyOfTheFileCountsOnItsOwn) {
    const std::string probe = toWindowsPath(testOption("probe"));
    TempDirectory dir;
    const std::string copy = dir.file("probe-copy.exe");
    ASSERT_TRUE(CopyFileA(probe.c_str(), copy.c_str(), FALSE));
    HoldEvents hold("lumivex-instance-copy-" + std::to_string(GetCurrentProcessId()));
    PROCESS_INFORMATION first;
    {
        ScopedEnvironment held("LUMIVEX_TEST_HOLD", hold.name());
        ASSERT_TRUE(startProcess(probe, "", &first));
    }
    ASSERT_TRUE(hold.waitEntered(20000));
    EXPECT_EQ(ADMITTED, runProcess(copy, "", 20000).exitCode) << "another image file has its own count";
    hold.release();
    WaitForSingleObject(first.hProcess, 20000);
    CloseHandle(first.hThread);
    CloseHandle(first.hProcess);
}

}  // namespace
