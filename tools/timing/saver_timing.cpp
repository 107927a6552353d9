// Measures the saver's timing under Wine (not a test: it prints numbers):
//   saver_timing --engine=ENGINE --test-player=PLAYER --launch-only=LAUNCH_ONLY
// 1. time from a start to the player's start, for the engine and for a program that only
//    starts the player (median of 10 each);
// 2. delay between the player's end and the engine's end (median and worst of 20 runs);
// 3. the engine's CPU time over 10 s of supervision.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "payload/trailer.h"
#include "support.h"

namespace {

std::string recordPath;

std::vector<std::string> recordLines() {
    std::ifstream in(recordPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

DWORD tickOf(const std::string &line) {
    std::istringstream words(line);
    std::string word;
    DWORD tick = 0;
    words >> word >> tick;
    return tick;
}

DWORD median(std::vector<DWORD> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Starts program args, waits until the player recorded its start; the milliseconds between.
DWORD timeToPlayerStart(const std::string &program, const std::string &args) {
    DeleteFileA(recordPath.c_str());
    PROCESS_INFORMATION info;
    const DWORD start = GetTickCount();
    if (!startProcess(program, args, &info)) return 0;
    while (recordLines().empty() && GetTickCount() - start < 20000) WaitForSingleObject(info.hProcess, 5);
    const DWORD playerStart = recordLines().empty() ? start : tickOf(recordLines()[0]);
    WaitForSingleObject(info.hProcess, 20000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return playerStart - start;
}

}  // namespace

int main(int argc, char **argv) {
    parseTestOptions(argc, argv);
    const std::string engine = toWindowsPath(testOption("engine"));
    const std::string player = toWindowsPath(testOption("test-player"));
    const std::string launchOnly = toWindowsPath(testOption("launch-only"));
    TempDirectory dir;
    const std::string saver = dir.file("TIME.scr");
    const std::string playerCopy = dir.file("TIME.exe");
    recordPath = dir.file("record.txt");
    CopyFileA(engine.c_str(), saver.c_str(), FALSE);
    CopyFileA(player.c_str(), playerCopy.c_str(), FALSE);
    PayloadTrailer trailer = {};
    trailer.imageASize = trailer.imageBSize = static_cast<uint32_t>(readBytes(saver).size());
    trailer.playerSize = static_cast<uint32_t>(readBytes(playerCopy).size());
    trailer.flags = TRAILER_FLAG_WIN32;
    writePayloadTrailer(saver.c_str(), &trailer);
    ScopedEnvironment record("LUMIVEX_PLAYER_RECORD", recordPath);

    {
        ScopedEnvironment quick("LUMIVEX_PLAYER_EXIT_AFTER", "300");
        std::vector<DWORD> viaEngine, viaLauncher;
        for (int i = 0; i < 10; ++i) {
            viaEngine.push_back(timeToPlayerStart(saver, "/s"));
            viaLauncher.push_back(timeToPlayerStart(launchOnly, "\"" + playerCopy + "\""));
        }
        std::printf("start to player start: engine median %lu ms (worst %lu), launch-only median %lu ms (worst %lu)\n",
                    median(viaEngine), *std::max_element(viaEngine.begin(), viaEngine.end()), median(viaLauncher),
                    *std::max_element(viaLauncher.begin(), viaLauncher.end()));
    }
    {
        ScopedEnvironment quick("LUMIVEX_PLAYER_EXIT_AFTER", "500");
        std::vector<DWORD> delays;
        for (int i = 0; i < 20; ++i) {
            DeleteFileA(recordPath.c_str());
            PROCESS_INFORMATION info;
            if (!startProcess(saver, "/s", &info)) continue;
            // The player's end is when its process ends, watched through a handle of our own.
            HANDLE playerProcess = nullptr;
            while (playerProcess == nullptr && WaitForSingleObject(info.hProcess, 2) == WAIT_TIMEOUT) {
                const auto lines = recordLines();
                if (lines.empty()) continue;
                std::istringstream words(lines[0]);
                std::string word;
                DWORD tick = 0, processId = 0;
                words >> word >> tick >> processId;
                playerProcess = OpenProcess(SYNCHRONIZE, FALSE, processId);
            }
            if (playerProcess == nullptr) continue;
            WaitForSingleObject(playerProcess, 20000);
            const DWORD playerEnd = GetTickCount();
            WaitForSingleObject(info.hProcess, 20000);
            delays.push_back(GetTickCount() - playerEnd);
            CloseHandle(playerProcess);
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
        }
        if (!delays.empty()) {
            std::printf("player end to engine end over %zu runs: median %lu ms, worst %lu ms\n", delays.size(),
                        median(delays), *std::max_element(delays.begin(), delays.end()));
        }
    }
    {
        PROCESS_INFORMATION info;
        startProcess(saver, "/s", &info);
        WaitForSingleObject(info.hProcess, 10000);
        FILETIME created, exited, kernel, user;
        GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user);
        const auto ms = [](const FILETIME &t) {
            return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000ull;
        };
        std::printf("engine CPU time over 10 s of supervision: %llu ms user, %llu ms kernel\n", ms(user), ms(kernel));
        PROCESS_INFORMATION preview;
        startProcess(saver, "/p 1", &preview);
        WaitForSingleObject(preview.hProcess, 10000);
        GetProcessTimes(preview.hProcess, &created, &exited, &kernel, &user);
        std::printf("the same engine's whole /p run (start-up and exit only): %llu ms user, %llu ms kernel\n",
                    ms(user), ms(kernel));
        CloseHandle(preview.hThread);
        CloseHandle(preview.hProcess);
        TerminateProcess(info.hProcess, 0);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        HWND playerWindow = FindWindowA(nullptr, "Lumivex test player");
        DWORD playerProcess = 0;
        if (playerWindow != nullptr) GetWindowThreadProcessId(playerWindow, &playerProcess);
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, playerProcess);
        if (process != nullptr) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
    return 0;
}
