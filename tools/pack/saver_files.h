// The two files an install leaves in the Windows directory, cut from an installer file: NAME.scr
// (the engine image of the class, the splash bitmaps, the installer's trailer) and NAME.exe (the
// player), for a maker who deploys them by other means than the installer.
#pragma once

#include <string>

enum class SaverClass { Win95, WinNT, Win31 };

// "win95", "winNT", "win31"; false for any other text.
bool parseSaverClass(const std::string &text, SaverClass *out);

struct SaverFiles {
    std::string saver;   // the bytes of NAME.scr
    std::string player;  // the bytes of NAME.exe
    std::string name;    // the installer's description, empty when it has none
};

// Cuts the files of the class from an installer file (signed or not: its parts end where its
// certificate table starts). On the Windows 3.1 class the saver's image is the installer's own
// header, whose security entry and checksum are cleared, as an install clears them. 0, or 1 with
// a message that names the file and what is wrong; a payload for another class is refused as the
// installer refuses it.
int cutSaverFiles(const std::string &installer, SaverClass saverClass, SaverFiles *files, std::string *error);

// Writes NAME.scr and NAME.exe into the directory, both or neither: each goes beside its name
// first and is renamed once both are whole. 0, or 1 with a message naming the file at fault.
int writeSaverFiles(const SaverFiles &files, const std::string &name, const std::string &directory, std::string *error);

// A new empty directory in the system's temporary folder; empty with *error set when none can be made.
std::string makeTemporaryDirectory(std::string *error);
