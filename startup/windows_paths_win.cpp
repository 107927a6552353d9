#include "startup/windows_paths_win.h"

#include <windows.h>

#include <cstring>

#include "startup/switches.h"
#include "startup/system_settings_win.h"
#include "startup/test_seams_win.h"

PathResult windowsDirectory(char *out) {
    const UINT length = GetWindowsDirectoryA(out, PATH_CAPACITY);
    if (length == 0 || length >= static_cast<UINT>(PATH_CAPACITY)) {
        out[0] = '\0';
        return PathResult::TooLong;
    }
    return PathResult::Ok;
}

PathResult makeInstallNames(const char *enginePath, char *saverTarget, char *playerBeside, char *playerTarget) {
    char directory[PATH_CAPACITY];
    if (windowsDirectory(directory) != PathResult::Ok) {
        saverTarget[0] = playerBeside[0] = playerTarget[0] = '\0';
        return PathResult::TooLong;
    }
    return makeInstallNamesIn(directory, enginePath, saverTarget, playerBeside, playerTarget);
}

namespace {

// The wide path in the ANSI code page, when converting it back gives the same letters (a letter
// the code page lacks comes out as "?" or as a look-alike, and then it does not).
bool convertsExactly(const WCHAR *wide, char *out) {
    const int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, out, PATH_CAPACITY, nullptr, nullptr);
    if (length <= 0) return false;
    WCHAR back[PATH_CAPACITY];
    if (MultiByteToWideChar(CP_ACP, 0, out, -1, back, PATH_CAPACITY) <= 0) return false;
    for (int i = 0;; ++i) {
        if (back[i] != wide[i]) return false;
        if (wide[i] == 0) return true;
    }
}

}  // namespace

PathResult ansiFormOf(const WCHAR *wide, char *out) {
    int letters = 0;
    while (wide[letters] != 0 && letters < PATH_CAPACITY) ++letters;
    if (letters >= PATH_CAPACITY) return PathResult::TooLong;
    if (convertsExactly(wide, out)) return PathResult::Ok;
    out[0] = '\0';
    using ShortPathFunction = DWORD(WINAPI *)(LPCWSTR, LPWSTR, DWORD);
    const auto shortPath = kernelFunction<ShortPathFunction>("GetShortPathNameW");
    WCHAR shortForm[PATH_CAPACITY];
    if (shortPath == nullptr || testNoShortNames()) return PathResult::NoAnsiForm;
    const DWORD length = shortPath(wide, shortForm, PATH_CAPACITY);
    if (length == 0) return PathResult::NoAnsiForm;
    if (length >= static_cast<DWORD>(PATH_CAPACITY)) return PathResult::TooLong;
    return convertsExactly(shortForm, out) ? PathResult::Ok : PathResult::NoAnsiForm;
}

PathResult ownFilePath(HINSTANCE instance, char *out) {
    GetModuleFileNameA(instance, out, PATH_CAPACITY);
    out[PATH_CAPACITY - 1] = '\0';
    using ModuleNameFunction = DWORD(WINAPI *)(HMODULE, LPWSTR, DWORD);
    const auto moduleName = kernelFunction<ModuleNameFunction>("GetModuleFileNameW");
    WCHAR wide[PATH_CAPACITY];
    const DWORD length = moduleName != nullptr ? moduleName(instance, wide, PATH_CAPACITY) : 0;
    // Windows 95 answers 0 (its UTF-16 functions are stubs): the ANSI name is all there is.
    if (length == 0 || length >= static_cast<DWORD>(PATH_CAPACITY)) return PathResult::Ok;
    char form[PATH_CAPACITY];
    const PathResult result = ansiFormOf(wide, form);
    if (result == PathResult::Ok) std::strcpy(out, form);
    return result;
}

PathResult widePlayerFile(char *buffer, const char **playerFile) {
    using CommandLineFunction = LPWSTR(WINAPI *)();
    const auto commandLine = kernelFunction<CommandLineFunction>("GetCommandLineW");
    const WCHAR *line = commandLine != nullptr ? commandLine() : nullptr;
    if (line == nullptr || *playerFile == nullptr) return PathResult::Ok;
    const WCHAR *tail = commandLineTail(line);
    for (; tail[0] != 0; ++tail) {
        if (tail[0] == L'/' && tail[1] == L'z') break;
    }
    if (tail[0] == 0) return PathResult::Ok;
    // A path too long for a path buffer stays as it is: the installer refuses it as it refuses any.
    const PathResult result = ansiFormOf(tail + 2, buffer);
    if (result == PathResult::Ok) *playerFile = buffer;
    return result == PathResult::TooLong ? PathResult::Ok : result;
}

bool sameFile(const char *a, const char *b) {
    if (lstrcmpiA(a, b) == 0) return true;
    char shortA[PATH_CAPACITY];
    char shortB[PATH_CAPACITY];
    const DWORD lengthA = GetShortPathNameA(a, shortA, PATH_CAPACITY);
    const DWORD lengthB = GetShortPathNameA(b, shortB, PATH_CAPACITY);
    return lengthA > 0 && lengthA < static_cast<DWORD>(PATH_CAPACITY) && lengthB > 0 &&
           lengthB < static_cast<DWORD>(PATH_CAPACITY) && lstrcmpiA(shortA, shortB) == 0;
}
