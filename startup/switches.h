// The command-line switches of the engine, found anywhere in the command-line tail.
#pragma once

#include <cstdint>

struct CommandSwitches {
    bool finish;          // "/r": the finishing process of an install
    bool settings;        // "/c": the settings window
    bool saver;           // "/s": the saver
    bool preview;         // "/p": preview, nothing is drawn
    bool changePassword;  // "/a": the settings window opens the password change at once
    bool quiet;           // "/q": the installer shows no success message
    // "/u": remove the installed saver. It counts only as the first thing of the tail (after
    // blanks), followed by a blank or the tail's end: found anywhere else, inside a path say, it
    // is no switch at all, so that a removal is never chosen by accident.
    bool remove;
    // "/z": the text after the two characters, verbatim to the end of the tail (no blank skipped,
    // no quotes removed); null without "/z". It points into the tail and is never cut: the
    // installer checks that it fits a path before it uses it.
    const char *playerFile;
    // Nothing but blanks follows the program name: how Explorer's Configure starts a saver file.
    bool emptyTail;
    // The window that the display settings name after "/p" (the monitor to draw the preview in)
    // and after "/c", else "/a" (the window that owns the settings); 0 when none is named.
    uint32_t previewParent;
    uint32_t settingsOwner;
};

// The tail of a whole command line: what follows the program name (quoted or not, blanks inside
// quotes kept with it) and the blanks after it. Points into the command line.
const char *commandLineTail(const char *commandLine);
// The same in a UTF-16 command line.
const char16_t *commandLineTail(const char16_t *commandLine);
#ifdef _WIN32
inline const wchar_t *commandLineTail(const wchar_t *commandLine) {
    return reinterpret_cast<const wchar_t *>(commandLineTail(reinterpret_cast<const char16_t *>(commandLine)));
}
#endif

// True when the two characters of the switch occur anywhere in the tail (case-sensitive).
bool hasSwitch(const char *tail, const char *name);

// The window number that follows the first occurrence of the switch, as the display settings
// write it: a colon or blanks, then an unsigned decimal number of 32 bits that ends the tail or a
// blank. 0 when the switch is absent or no such number follows it (0 names no window).
uint32_t windowNumberAfter(const char *tail, const char *name);

// Looks for every switch in a tail that may be empty but is never null.
void parseCommandSwitches(const char *tail, CommandSwitches *out);
