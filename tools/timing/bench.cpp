// The engine's figures side by side with their floors, measured in one run under Wine (not a test:
// it prints a table). scripts/bench.sh builds everything and runs it:
//   lumivex_bench --engine=ENGINE --test-engine=TEST_ENGINE --test-player=PLAYER
//       --launch-only=LAUNCH_ONLY --launch-with-dlls=LAUNCHER --installer=INSTALLER [--runs=N]
// 1. the engine file's size against 144 KiB;
// 2. start to the player's start: the engine (/s) against a program that only starts the player,
//    and against one that also loads the DLLs the engine imports;
// 3. the player's end to the program's end: the engine against the launcher waiting on the
//    player's process handle (--wait);
// 4. CPU time over 10 s of a show, unprotected and protected: the engine against the waiting
//    launcher;
// 5. a quiet install against a plain copy of the installer file's bytes into the Windows directory;
// 6. the preview in a stand-in of the display settings' 152 x 112 monitor (a window of this
//    program): start to the preview's window shown, against the launcher's start to the player's
//    start, and CPU time over 10 s of a running preview;
// and the test engine's time stamps of its start-up steps (medians), for "/s" and for "/p".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "payload/trailer.h"
#include "support.h"

namespace {

std::vector<std::string> linesOf(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double worst(const std::vector<double> &values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void printRow(const char *figure, size_t runs, double engineMedian, double engineWorst, double floorMedian) {
    std::printf("| %-34s | %4zu | %9.1f | %9.1f | %9.1f | %6.2f |\n", figure, runs, engineMedian, engineWorst,
                floorMedian, floorMedian > 0 ? engineMedian / floorMedian : 0.0);
}

// An installed saver (the engine as TIME.scr with a trailer) and the test player beside it, whose
// record file tells when it started and which process it is.
class Show {
public:
    Show(const std::string &engine, const std::string &player, const std::string &name) {
        saver_ = dir_.file(name + ".scr");
        player_ = dir_.file(name + ".exe");
        record_ = dir_.file("record.txt");
        CopyFileA(engine.c_str(), saver_.c_str(), FALSE);
        CopyFileA(player.c_str(), player_.c_str(), FALSE);
        PayloadTrailer trailer = {};
        trailer.imageASize = trailer.imageBSize = static_cast<uint32_t>(readBytes(saver_).size());
        trailer.playerSize = static_cast<uint32_t>(readBytes(player_).size());
        trailer.flags = TRAILER_FLAG_WIN32;
        writePayloadTrailer(saver_.c_str(), &trailer);
    }
    const std::string &saver() const { return saver_; }
    const std::string &player() const { return player_; }
    const std::string &record() const { return record_; }

    // The player's process as its record names it, waited for (null when it never started).
    HANDLE waitForPlayer(HANDLE starter) const {
        const double start = nowMs();
        while (nowMs() - start < 20000) {
            const auto lines = linesOf(record_);
            if (!lines.empty()) {
                std::istringstream words(lines[0]);
                std::string word;
                DWORD tick = 0, processId = 0;
                words >> word >> tick >> processId;
                return OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
            }
            WaitForSingleObject(starter, 1);
        }
        return nullptr;
    }

private:
    TempDirectory dir_;
    std::string saver_, player_, record_;
};

// Milliseconds from the start of `program args` to the moment the player's process exists.
double timeToPlayerStart(const Show &show, const std::string &program, const std::string &args) {
    DeleteFileA(show.record().c_str());
    PROCESS_INFORMATION info;
    const DWORD startTick = GetTickCount();
    if (!startProcess(program, args, &info)) return -1;
    HANDLE player = show.waitForPlayer(info.hProcess);
    DWORD playerTick = startTick;
    if (player != nullptr) {
        std::istringstream words(linesOf(show.record())[0]);
        std::string word;
        words >> word >> playerTick;
        WaitForSingleObject(player, 20000);
        CloseHandle(player);
    }
    WaitForSingleObject(info.hProcess, 20000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return player != nullptr ? static_cast<double>(playerTick - startTick) : -1;
}

// Milliseconds from the player's end to the end of the program that started it.
double timeFromPlayerEnd(const Show &show, const std::string &program, const std::string &args) {
    DeleteFileA(show.record().c_str());
    PROCESS_INFORMATION info;
    if (!startProcess(program, args, &info)) return -1;
    HANDLE player = show.waitForPlayer(info.hProcess);
    double delay = -1;
    if (player != nullptr) {
        WaitForSingleObject(player, 20000);
        const double playerEnd = nowMs();
        WaitForSingleObject(info.hProcess, 20000);
        delay = nowMs() - playerEnd;
        CloseHandle(player);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return delay;
}

// CPU milliseconds (user and kernel) that a process has used so far.
double processCpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    const auto ms = [](const FILETIME &t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

// CPU milliseconds (user and kernel) of a program over 10 s of a show that does not end; *shown
// tells whether a visible saver window (a protected show's) was there.
double cpuOverTenSeconds(const Show &show, const std::string &program, const std::string &args, bool *shown = nullptr) {
    DeleteFileA(show.record().c_str());
    PROCESS_INFORMATION info;
    if (!startProcess(program, args, &info)) return -1;
    HANDLE player = show.waitForPlayer(info.hProcess);
    const auto cpuMs = [&] { return processCpuMs(info.hProcess); };
    const double before = cpuMs();
    WaitForSingleObject(info.hProcess, 10000);
    if (shown != nullptr) {
        const HWND saverWindow = FindWindowA("Lumivex", nullptr);
        *shown = saverWindow != nullptr && IsWindowVisible(saverWindow);
    }
    const double used = cpuMs() - before;
    if (player != nullptr) {
        TerminateProcess(player, 0);
        CloseHandle(player);
    }
    // A protected engine asks for the password instead of ending: it is ended here.
    if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 0);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return used;
}

// Handles this thread's messages for the given time as they come, asleep in between, or until the
// process ends. (pumpUntil polls every 5 ms, and Wine then counts CPU time to the preview, whose
// Linux process shows none.)
void pumpFor(HANDLE process, DWORD ms) {
    const double start = nowMs();
    for (double now = start; now - start < ms; now = nowMs()) {
        const DWORD left = static_cast<DWORD>(ms - (now - start));
        if (MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT) == WAIT_OBJECT_0) return;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

// Ends a preview as some versions of the dialog do, by ending its process, and waits (pumping)
// until it has gone.
void endPreview(PROCESS_INFORMATION &info) {
    TerminateProcess(info.hProcess, 0);
    pumpUntil([&] { return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0; }, 20000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

// Milliseconds from the start of a preview to its window shown in the monitor; -1 if it never is.
double timeToPreviewShown(const Show &show, const StandInDisplaySettings &monitor) {
    PROCESS_INFORMATION info;
    const double start = nowMs();
    if (!startProcess(show.saver(), monitor.previewArgs(), &info)) return -1;
    const bool shown = pumpUntil([&] { return IsWindowVisible(monitor.preview()); }, 20000);
    const double took = nowMs() - start;
    endPreview(info);
    return shown ? took : -1;
}

// CPU milliseconds of a preview over 10 s once its window is shown.
double previewCpuOverTenSeconds(const Show &show, const StandInDisplaySettings &monitor) {
    PROCESS_INFORMATION info;
    if (!startProcess(show.saver(), monitor.previewArgs(), &info)) return -1;
    double used = -1;
    if (pumpUntil([&] { return IsWindowVisible(monitor.preview()); }, 20000)) {
        pumpFor(info.hProcess, 1000);  // the first picture drawn
        const double before = processCpuMs(info.hProcess);
        pumpFor(info.hProcess, 10000);
        used = processCpuMs(info.hProcess) - before;
    }
    endPreview(info);
    return used;
}

// The start-up steps of the test engine, each the median milliseconds from the process's creation:
// of a show ("/s", which ends with its player), or of a preview in the monitor (ended once it has
// drawn).
void printStartSteps(const Show &show, const std::string &testEngine, int runs, const StandInDisplaySettings *preview) {
    const Show stepping(testEngine, show.player(), "STEPS");
    const std::string &saver = stepping.saver();
    TempDirectory dir;
    const std::string trace = dir.file("trace.txt");
    ScopedEnvironment traced("LUMIVEX_TEST_TRACE", trace);
    ScopedEnvironment stamps("LUMIVEX_TEST_STAMPS", "1");
    ScopedEnvironment record("LUMIVEX_PLAYER_RECORD", "");
    ScopedEnvironment quick("LUMIVEX_PLAYER_EXIT_AFTER", "300");
    std::map<std::string, std::vector<double>> steps;
    std::vector<std::string> order;
    for (int run = 0; run < runs; ++run) {
        DeleteFileA(trace.c_str());
        if (preview == nullptr) {
            runProcess(saver, "/s", 20000);
        } else {
            PROCESS_INFORMATION info;
            if (!startProcess(saver, preview->previewArgs(), &info)) continue;
            pumpUntil(
                [&] {
                    const auto lines = linesOf(trace);
                    return !lines.empty() && lines.back().rfind("stamp preview drawn ", 0) == 0;
                },
                20000);
            endPreview(info);
        }
        for (const std::string &line : linesOf(trace)) {
            if (line.rfind("stamp ", 0) != 0) continue;
            const size_t last = line.rfind(' ');
            const std::string step = line.substr(6, last - 6);
            if (steps.find(step) == steps.end()) order.push_back(step);
            steps[step].push_back(std::stod(line.substr(last + 1)) / 1000.0);
        }
    }
    std::printf("\nThe test engine's start-up steps (%s), ms from its process's creation (median of %d):\n\n",
                preview == nullptr ? "/s" : "/p", runs);
    std::printf("| step | median ms |\n|---|---:|\n");
    for (const std::string &step : order) std::printf("| %s | %.1f |\n", step.c_str(), median(steps[step]));
}

}  // namespace

int main(int argc, char **argv) {
    parseTestOptions(argc, argv);
    const std::string engine = toWindowsPath(testOption("engine"));
    const std::string launchOnly = toWindowsPath(testOption("launch-only"));
    const std::string launchWithDlls = toWindowsPath(testOption("launch-with-dlls"));
    const std::string installer = toWindowsPath(testOption("installer"));
    const int runs = testOption("runs").empty() ? 20 : std::stoi(testOption("runs"));
    const Show show(engine, toWindowsPath(testOption("test-player")), "TIME");
    ScopedEnvironment record("LUMIVEX_PLAYER_RECORD", show.record());
    const std::string quotedPlayer = "\"" + show.player() + "\"";

    std::printf("| figure | runs | engine median | engine worst | floor median | ratio |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    const double bytes = static_cast<double>(readBytes(engine).size());
    printRow("file size, bytes (floor: 144 KiB)", 1, bytes, bytes, 147456.0);
    {
        ScopedEnvironment quick("LUMIVEX_PLAYER_EXIT_AFTER", "300");
        std::vector<double> viaEngine, viaLauncher, viaLauncherWithDlls;
        for (int i = 0; i < runs; ++i) {  // alternated, so all meet the same machine
            viaEngine.push_back(timeToPlayerStart(show, show.saver(), "/s"));
            viaLauncher.push_back(timeToPlayerStart(show, launchOnly, quotedPlayer));
            viaLauncherWithDlls.push_back(timeToPlayerStart(show, launchWithDlls, quotedPlayer));
        }
        printRow("start to player start, ms", viaEngine.size(), median(viaEngine), worst(viaEngine),
                 median(viaLauncher));
        printRow("  floor: launcher with engine DLLs", viaLauncherWithDlls.size(), median(viaEngine), worst(viaEngine),
                 median(viaLauncherWithDlls));
    }
    {
        ScopedEnvironment quick("LUMIVEX_PLAYER_EXIT_AFTER", "500");
        std::vector<double> viaEngine, viaWaiter;
        for (int i = 0; i < runs; ++i) {
            viaEngine.push_back(timeFromPlayerEnd(show, show.saver(), "/s"));
            viaWaiter.push_back(timeFromPlayerEnd(show, launchOnly, "--wait " + quotedPlayer));
        }
        printRow("player end to program end, ms", viaEngine.size(), median(viaEngine), worst(viaEngine),
                 median(viaWaiter));
    }
    {
        ScopedEnvironment endless("LUMIVEX_PLAYER_EXIT_AFTER", "");
        const double engineCpu = cpuOverTenSeconds(show, show.saver(), "/s");
        const double waiterCpu = cpuOverTenSeconds(show, launchOnly, "--wait " + quotedPlayer);
        printRow("CPU over 10 s of a show, ms", 1, engineCpu, engineCpu, waiterCpu);
        // Under protection (the Windows 3.1 class, through Wine's per-program version) the
        // window-order rule wakes the engine every 50 ms.
        const Show guarded(engine, toWindowsPath(testOption("test-player")), "GUARD");
        ScopedEnvironment guardedRecord("LUMIVEX_PLAYER_RECORD", guarded.record());
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\GUARD.scr", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr);
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>("nt351"), 6);
        RegCloseKey(key);
        WritePrivateProfileStringA("Lumivex", "Password Value", "12345", "system.ini");  // one digit reads as none
        WritePrivateProfileStringA("Lumivex", "Password Protect", "1", "system.ini");
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
        bool protectedShow = false;
        const double guardedCpu = cpuOverTenSeconds(guarded, guarded.saver(), "/s", &protectedShow);
        WritePrivateProfileStringA("Lumivex", "Password Protect", "0", "system.ini");
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
        printRow(protectedShow ? "CPU over 10 s, protected show, ms" : "CPU over 10 s, NOT PROTECTED, ms", 1,
                 guardedCpu, guardedCpu, waiterCpu);
    }
    {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, MAX_PATH);
        const std::string copyTarget = std::string(windows) + "\\BENCHCPY.BIN";
        std::vector<double> installs, copies;
        for (int i = 0; i < std::min(runs, 5); ++i) {
            double start = nowMs();
            const ProcessResult result = runProcess(installer, "/q", 60000);
            if (result.exitCode == 0) installs.push_back(nowMs() - start);
            start = nowMs();
            if (CopyFileA(installer.c_str(), copyTarget.c_str(), FALSE)) copies.push_back(nowMs() - start);
            DeleteFileA(copyTarget.c_str());
        }
        printRow("quiet install, ms (floor: a copy)", installs.size(), median(installs), worst(installs),
                 median(copies));
    }
    const StandInDisplaySettings monitor;
    {
        ScopedEnvironment quick("LUMIVEX_PLAYER_EXIT_AFTER", "300");
        std::vector<double> previews, viaLauncher;
        for (int i = 0; i < runs; ++i) {
            previews.push_back(timeToPreviewShown(show, monitor));
            viaLauncher.push_back(timeToPlayerStart(show, launchOnly, quotedPlayer));
        }
        printRow("preview start to its window shown, ms", previews.size(), median(previews), worst(previews),
                 median(viaLauncher));
        const double previewCpu = previewCpuOverTenSeconds(show, monitor);
        printRow("CPU over 10 s of a preview, ms", 1, previewCpu, previewCpu, 0);
    }
    printStartSteps(show, toWindowsPath(testOption("test-engine")), runs, nullptr);
    printStartSteps(show, toWindowsPath(testOption("test-engine")), runs, &monitor);
    return 0;
}
