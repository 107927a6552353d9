#include "tools/pack/doctor.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sstream>

#include "payload/description_tag.h"
#include "payload/trailer.h"
#include "startup/install_names.h"
#include "tools/pack/assemble.h"

namespace {

const char REINSTALL[] = "install the saver again from its installer file";
const char PERSONALIZATION[] = "User Configuration > Administrative Templates > Control Panel > Personalization";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string &text, const std::string &end) {
    return text.size() >= end.size() && lower(text.substr(text.size() - end.size())) == lower(end);
}

// Where the last path separator (either kind) is; npos when there is none.
size_t lastSeparator(const std::string &path) { return path.find_last_of("\\/"); }

std::string fileNameOf(const std::string &path) {
    const size_t at = lastSeparator(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string directoryOf(const std::string &path) {
    const size_t at = lastSeparator(path);
    return at == std::string::npos ? "." : path.substr(0, at);
}

std::string join(const std::string &directory, const std::string &name) {
    const char separator = directory.find('\\') != std::string::npos ? '\\' : '/';
    return directory.empty() || directory.back() == separator ? directory + name : directory + separator + name;
}

// The files of a directory (names only); false when it cannot be listed.
bool listDirectory(const std::string &directory, std::vector<std::string> *names) {
    DIR *listing = opendir(directory.c_str());
    if (listing == nullptr) return false;
    while (const dirent *entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names->push_back(name);
    }
    closedir(listing);
    std::sort(names->begin(), names->end());
    return true;
}

// The file of the directory whose name equals `name` without regard to case (the Windows
// directory may be on a file system that keeps case); empty when there is none.
std::string findIgnoringCase(const std::string &directory, const std::string &name) {
    std::vector<std::string> names;
    if (!listDirectory(directory, &names)) return "";
    for (const std::string &candidate : names) {
        if (lower(candidate) == lower(name)) return join(directory, candidate);
    }
    return "";
}

uint32_t read32(const std::string &bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

// "MZ" and a "PE" or "NE" header where the DOS header points: a program Windows can start.
bool isWindowsProgram(const std::string &bytes) {
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const uint32_t header = read32(bytes, 0x3C);
    if (header > bytes.size() - 2) return false;
    return (bytes[header] == 'P' && bytes[header + 1] == 'E') || (bytes[header] == 'N' && bytes[header + 1] == 'E');
}

bool hasTrailer(const std::string &path) {
    PayloadTrailer trailer = {};
    return readPayloadTrailer(path.c_str(), &trailer) == FileResult::Ok;
}

class Findings {
public:
    explicit Findings(std::vector<Finding> *out) : out_(out) {}
    void ok(const std::string &subject, const std::string &text) { out_->push_back({Severity::Ok, subject, text, ""}); }
    void warning(const std::string &subject, const std::string &text, const std::string &fix) {
        out_->push_back({Severity::Warning, subject, text, fix});
    }
    void error(const std::string &subject, const std::string &text, const std::string &fix) {
        out_->push_back({Severity::Error, subject, text, fix});
    }

private:
    std::vector<Finding> *out_;
};

enum class FileKind {
    Saver,       // an installed saver of the Windows 95 and NT classes: image B, the bitmaps, the trailer
    Win31Saver,  // an installed saver of the Windows 3.1 class: image A, the bitmaps, the trailer
    Installer,
    Broken,
};

// The file's parts: an installed saver's (the engine image of the class it was installed for,
// image B, or image A on the Windows 3.1 class, both splash bitmaps and the trailer), or an
// installer file's (both images, the bitmaps, the player and the trailer), which end where the
// payload ends (before the certificate table of a signed file). Broken (with an Error) when they
// add up to neither; *splashAt is where the bitmaps begin.
FileKind checkLayout(const std::string &path, const PayloadTrailer &t, const PayloadPlace &place, Findings &report,
                     uint64_t *splashAt) {
    const uint64_t size = place.end;
    const uint64_t rest = static_cast<uint64_t>(t.splash1Size) + t.splash2Size + TRAILER_SIZE;
    const uint64_t installer = static_cast<uint64_t>(t.imageASize) + t.imageBSize + t.playerSize + rest;
    const struct {
        uint32_t image;
        const char *classes;
        FileKind kind;
    } kinds[] = {{t.imageBSize, "Windows 95 and NT classes", FileKind::Saver},
                 {t.imageASize, "Windows 3.1 class", FileKind::Win31Saver}};
    for (const auto &kind : kinds) {
        if (size != static_cast<uint64_t>(kind.image) + rest) continue;
        *splashAt = kind.image;
        report.ok(path, "an installed saver of " + std::to_string(size) + " bytes: engine image " +
                            std::to_string(kind.image) + " bytes (" + kind.classes + "), splash bitmaps " +
                            std::to_string(t.splash1Size) + " and " + std::to_string(t.splash2Size) +
                            " bytes, trailer");
        return kind.kind;
    }
    if (size == installer) {
        *splashAt = static_cast<uint64_t>(t.imageASize) + t.imageBSize;
        report.ok(path, "an installer file of " + std::to_string(size) + " bytes: engine images " +
                            std::to_string(t.imageASize) + " and " + std::to_string(t.imageBSize) +
                            " bytes, splash bitmaps " + std::to_string(t.splash1Size) + " and " +
                            std::to_string(t.splash2Size) + " bytes, player " + std::to_string(t.playerSize) +
                            " bytes, trailer; run it to install the saver");
        return FileKind::Installer;
    }
    report.error(path,
                 "the trailer's parts add up to " + std::to_string(static_cast<uint64_t>(t.imageBSize) + rest) +
                     " bytes (or " + std::to_string(static_cast<uint64_t>(t.imageASize) + rest) +
                     " on the Windows 3.1 class), but " +
                     (place.certificateSize != 0 ? "what precedes its certificate table has " : "the file has ") +
                     std::to_string(size) + ": it was cut short or changed",
                 REINSTALL);
    return FileKind::Broken;
}

// The player an installer file carries, where the trailer says it lies.
void checkCarriedPlayer(const std::string &path, const std::string &bytes, const PayloadTrailer &t, Findings &report) {
    const uint64_t at = static_cast<uint64_t>(t.imageASize) + t.imageBSize + t.splash1Size + t.splash2Size;
    if (!isWindowsProgram(bytes.substr(static_cast<size_t>(at), t.playerSize))) {
        report.error(path,
                     "the player it carries is not a Windows program; the saver it installs shows its error screen",
                     "assemble the installer again with lumivex-pack build --player PLAYER.exe");
        return;
    }
    report.ok(path, "the player it carries, " + std::to_string(t.playerSize) + " bytes, is a Windows program");
}

void checkSplashBitmaps(const std::string &path, const std::string &bytes, const PayloadTrailer &t, uint64_t at,
                        Findings &report) {
    const uint32_t sizes[2] = {t.splash1Size, t.splash2Size};
    for (int i = 0; i < 2; ++i) {
        if (sizes[i] != 0) {
            const std::string problem = checkBitmapFile(bytes.substr(static_cast<size_t>(at), sizes[i]));
            if (!problem.empty()) {
                report.error(
                    path,
                    "splash bitmap " + std::to_string(i + 1) + ": " + problem + "; the saver shows its error screen",
                    REINSTALL);
            }
        }
        at += sizes[i];
    }
}

void checkPlayer(const std::string &saverPath, const PayloadTrailer &t, Findings &report) {
    std::string baseName = fileNameOf(saverPath);
    const size_t dot = baseName.rfind('.');
    if (dot != std::string::npos) baseName.resize(dot);
    const std::string wanted = baseName + ".exe";
    const std::string player = findIgnoringCase(directoryOf(saverPath), wanted);
    const std::string expected = join(directoryOf(saverPath), wanted);
    if (player.empty()) {
        report.error(expected, "the player is missing beside the saver; the saver shows its error screen",
                     REINSTALL + std::string(" (it writes the saver and its player together)"));
        return;
    }
    std::string bytes;
    if (!readWholeFile(player, &bytes)) {
        report.error(player, "the player cannot be read", "check the file's permissions, or " + std::string(REINSTALL));
        return;
    }
    if (bytes.size() != t.playerSize) {
        report.error(player,
                     "the player has " + std::to_string(bytes.size()) + " bytes, the saver expects " +
                         std::to_string(t.playerSize) + "; the saver does not start it",
                     REINSTALL);
        return;
    }
    if (!isWindowsProgram(bytes)) {
        report.error(player, "the player is not a Windows program; the saver shows its error screen", REINSTALL);
        return;
    }
    report.ok(player, "the player, " + std::to_string(bytes.size()) + " bytes as the saver expects");
}

// The file's findings, and what kind of file it is.
FileKind diagnoseFile(const std::string &saverPath, Findings &report) {
    std::string bytes;
    if (!readWholeFile(saverPath, &bytes)) {
        report.error(saverPath, fileProblem(saverPath), "check the path");
        return FileKind::Broken;
    }
    PayloadTrailer t = {};
    PayloadPlace place = {};
    if (readPayloadTrailer(saverPath.c_str(), &t, &place) != FileResult::Ok) {
        report.error(saverPath,
                     "no payload trailer at its end: the file was cut short (a copy that stopped early) or is not "
                     "a Lumivex saver",
                     REINSTALL);
        return FileKind::Broken;
    }
    uint64_t splashAt = 0;
    const FileKind kind = checkLayout(saverPath, t, place, report, &splashAt);
    if (kind != FileKind::Broken) checkSplashBitmaps(saverPath, bytes, t, splashAt, report);
    if (place.certificateSize != 0) {
        report.ok(saverPath, "signed: a certificate table of " + std::to_string(place.certificateSize) +
                                 " bytes follows the payload");
    }

    char description[TAG_TEXT_CAPACITY] = {};
    if (readDescriptionTag(saverPath.c_str(), DESCRIPTION_TAG, description) == FileResult::Ok &&
        description[0] != '\0') {
        report.ok(saverPath, std::string("description \"") + description + "\"");
    } else {
        report.ok(saverPath, "no description: the system lists the saver under its file name");
    }
    report.ok(saverPath, (t.flags & TRAILER_FLAG_WIN32) != 0
                             ? "the player is a 32-bit program: the saver suits the Windows 95 and NT classes"
                             : "the player is a 16-bit program: the saver suits the Windows 3.1 and 95 classes");
    // An installer file carries its player; NAME.exe beside it is the installer itself.
    if (kind == FileKind::Installer) {
        checkCarriedPlayer(saverPath, bytes, t, report);
    } else if (t.playerSize != 0) {
        checkPlayer(saverPath, t, report);
    }
    return kind;
}

bool entryNames(PathComparer compare, const ProgramEntry &entry, const std::string &path) {
    return compare(uninstalledFile(entry), path) != NameMatch::Different;
}

// The name a package of lumivex-pack msi lists the saver under: "NAME (screen saver)".
std::string packagedName(const std::string &saverPath) {
    const size_t slash = saverPath.find_last_of("\\/");
    std::string name = slash == std::string::npos ? saverPath : saverPath.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return name + " (screen saver)";
}

// An install on the Windows 95 and NT classes puts the saver into the list of programs, and so
// does a Windows Installer package (whose entry removes through msiexec and names the package,
// not the saver: it is known by the name it lists).
void checkProgramEntry(const std::string &saverPath, FileKind kind, const SystemSettings &settings,
                       PathComparer compare, Findings &report) {
    if (kind != FileKind::Saver || !settings.programsRead) return;
    for (const ProgramEntry &entry : settings.programs) {
        std::string command = entry.uninstallString;
        std::transform(command.begin(), command.end(), command.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const bool packaged =
            command.find("msiexec") != std::string::npos && entry.displayName == packagedName(saverPath);
        if (!packaged && !(entry.lumivex && entryNames(compare, entry, saverPath))) continue;
        report.ok(programEntryKey(entry),
                  "lists " + saverPath + " in the list of programs as \"" + entry.displayName + "\"");
        return;
    }
    report.error(saverPath,
                 "not in the list of programs: no entry under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER\\" +
                     std::string(UNINSTALL_KEY) + " names it, so the system cannot remove it",
                 REINSTALL);
}

// The path as Windows names it: a Wine prefix's drive_c seen from Linux is C:.
std::string windowsFormOf(const std::string &path) {
    const size_t drive = path.find("drive_c/");
    if (drive == std::string::npos || (drive != 0 && path[drive - 1] != '/')) return path;
    std::string form = "C:\\" + path.substr(drive + std::strlen("drive_c/"));
    std::replace(form.begin(), form.end(), '/', '\\');
    return form;
}

// "Fish Tank.scr", "Fish Tank.scr or Birds.scr", or "a screen saver" when there is none.
std::string saverNames(const std::vector<std::string> &savers) {
    std::string names;
    for (const std::string &saver : savers) names += (names.empty() ? "" : " or ") + fileNameOf(saver);
    return names.empty() ? "a screen saver" : names;
}

bool isZero(const std::string &text) { return !text.empty() && text.find_first_not_of('0') == std::string::npos; }

// What to ask the administrator for: the Group Policy setting that writes a value under
// HKEY_CURRENT_USER set to `setting`, or a value under HKEY_LOCAL_MACHINE, which applies to every
// user, set to `value`; either may be taken away instead.
std::string askAdministrator(const PolicyValue &policy, const char *name, const char *settingName,
                             const std::string &setting, const std::string &value) {
    if (policy.root == "HKEY_LOCAL_MACHINE") {
        return std::string("ask your administrator to set the value ") + name + " of HKEY_LOCAL_MACHINE\\" +
               SCREEN_SAVER_POLICY_KEY + " to " + value +
               ", or to remove it (it applies to every user of the computer)";
    }
    return std::string("ask your administrator to set \"") + settingName + "\" (" + PERSONALIZATION + ") to " +
           setting + ", or to Not Configured";
}

// SCRNSAVE.EXE: the saver that the system starts whatever the user chose, compared with the savers
// examined as the registration is.
void checkForcedSaver(const std::vector<std::string> &savers, const PolicyValue &policy, PathComparer compare,
                      Findings &report) {
    const std::string subject = policy.root + "\\" + SCREEN_SAVER_POLICY_KEY;
    const std::string wanted = savers.empty() ? "the saver's path" : windowsFormOf(savers[0]);
    const std::string fix = askAdministrator(policy, "SCRNSAVE.EXE", "Force specific screen saver", wanted, wanted);
    const std::string &forced = policy.text;
    if (forced.empty()) {
        report.error(subject, "SCRNSAVE.EXE is empty: it forces no saver file, so the system starts no screen saver",
                     fix);
        return;
    }
    std::string same, likely;
    for (const std::string &saver : savers) {
        const NameMatch named = compare(forced, saver);
        if (named == NameMatch::Same) same = saver;
        if (named == NameMatch::Likely) likely = saver;
    }
    const std::string forces = "SCRNSAVE.EXE forces " + forced + ": ";
    if (!same.empty()) {
        report.ok(subject, forces + "the system starts this saver, " + same + ", whatever the user chose");
    } else if (!likely.empty()) {
        report.ok(subject, forces + "probably this saver, " + likely +
                               " (a short name, which cannot be resolved here; its first letters fit)");
    } else if (savers.empty()) {
        report.ok(subject, forces + "the system starts that saver whatever the user chose");
    } else {
        report.error(subject, forces + "the system starts that saver, not " + saverNames(savers), fix);
    }
}

// The values of Group Policy, which take the place of the user's: what each means for the savers.
void checkPolicies(const std::vector<std::string> &savers, const ScreenSaverPolicies &policies, PathComparer compare,
                   Findings &report) {
    if (policies.reading == ScreenSaverPolicies::Reading::NotRead) return;
    if (policies.reading == ScreenSaverPolicies::Reading::NoRegistry) {
        report.ok("Group Policy", "no registry here: policies not checked");
        return;
    }
    const auto subject = [](const PolicyValue &policy) { return policy.root + "\\" + SCREEN_SAVER_POLICY_KEY; };
    const PolicyValue &active = policies.active, &timeout = policies.timeout, &secure = policies.secure;
    if (!active.found && !policies.saver.found && !timeout.found && !secure.found) {
        report.ok(std::string("HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE\\") + SCREEN_SAVER_POLICY_KEY,
                  "no screen saver policy is set: the user's settings apply");
        return;
    }
    if (active.found && isZero(active.text)) {
        report.error(subject(active),
                     "ScreenSaveActive=" + active.text + " switches the screen saver off: the system never starts " +
                         saverNames(savers),
                     askAdministrator(active, "ScreenSaveActive", "Enable screen saver", "Enabled", "1"));
    } else if (active.found) {
        report.ok(subject(active),
                  "ScreenSaveActive=" + active.text + " switches the screen saver on; the user cannot switch it off");
    }
    if (policies.saver.found) checkForcedSaver(savers, policies.saver, compare, report);
    if (timeout.found && isZero(timeout.text)) {
        report.error(subject(timeout),
                     "ScreenSaveTimeOut=" + timeout.text + ": a timeout of 0 seconds: the system never starts " +
                         saverNames(savers),
                     askAdministrator(timeout, "ScreenSaveTimeOut", "Screen saver timeout",
                                      "Enabled with a wait above 0 seconds", "a number of seconds above 0"));
    } else if (timeout.found) {
        report.ok(subject(timeout), "ScreenSaveTimeOut=" + timeout.text +
                                        ": the system starts the screen saver after " + timeout.text +
                                        " seconds without input, whatever the user chose");
    }
    if (secure.found) {
        report.ok(subject(secure), "ScreenSaverIsSecure=" + secure.text +
                                       (isZero(secure.text) ? ": the password protection is forced off: the screen "
                                                              "saver never asks for a password"
                                                            : ": the password protection is forced on: the screen "
                                                              "saver asks for the user's password when it ends"));
    }
}

// The user's activation settings (every one of them, or only those that keep the saver from
// starting), which a policy's value overrides, then the policies.
void checkActivation(const std::vector<std::string> &savers, const SystemSettings &settings, PathComparer compare,
                     bool everySetting, Findings &report) {
    const ScreenSaverPolicies &policies = settings.policies;
    const std::string active = "win.ini [windows] ScreenSaveActive";
    if (!settings.activeFound) {
        if (everySetting) report.ok(active, "could not be read");
    } else if (policies.active.found) {
        if (everySetting) report.ok(active + "=" + settings.active, "overridden by the policy's ScreenSaveActive");
    } else if (isZero(settings.active)) {
        report.warning(active + "=" + settings.active, "the system never starts a screen saver",
                       "switch the screen saver on in the display settings");
    } else if (everySetting) {
        report.ok(active + "=" + settings.active, "the system starts the screen saver");
    }
    if (settings.timeoutFound) {
        const std::string timeout = "win.ini [windows] ScreenSaveTimeout=" + settings.timeout;
        if (policies.timeout.found) {
            if (everySetting) report.ok(timeout, "overridden by the policy's ScreenSaveTimeOut");
        } else if (isZero(settings.timeout)) {
            report.warning(timeout, "a timeout of 0 seconds: the system never starts a screen saver",
                           "choose a wait of a minute or more in the display settings");
        } else if (everySetting) {
            report.ok(timeout, "after " + settings.timeout + " seconds without input");
        }
    }
    checkPolicies(savers, policies, compare, report);
}

}  // namespace

void diagnoseSaver(const std::string &saverPath, std::vector<Finding> *findings) {
    diagnoseSaver(saverPath, SystemSettings{}, compareFileNames, findings);
}

void diagnoseSaver(const std::string &saverPath, const SystemSettings &settings, PathComparer compare,
                   std::vector<Finding> *findings) {
    Findings report(findings);
    checkProgramEntry(saverPath, diagnoseFile(saverPath, report), settings, compare, report);
    checkActivation({saverPath}, settings, compare, false, report);
}

bool diagnoseWindowsDirectory(const std::string &directory, const SystemSettings &settings, PathComparer compare,
                              std::vector<Finding> *findings) {
    Findings report(findings);
    std::vector<std::string> names;
    if (!listDirectory(directory, &names)) {
        report.error(directory, std::string("cannot be listed: ") + std::strerror(errno),
                     "give the Windows directory, such as a prefix's drive_c/windows");
        return false;
    }
    const bool registered = settings.registrationFound && !settings.registeredSaver.empty();
    const char *const working[] = {TEMP_SAVER_NAME, TEMP_PLAYER_NAME, BACKUP_NAME};
    // Savers of the directory: .scr files with the engine's trailer, and the registered .scr file
    // whatever it holds (a Lumivex saver whose trailer was cut has none).
    std::string match, likely;
    std::vector<std::string> savers;
    for (const std::string &name : names) {
        const std::string path = join(directory, name);
        const std::string base = lower(name.substr(0, name.rfind('.')));
        const bool leftover =
            std::any_of(std::begin(working), std::end(working), [&](const char *w) { return base == lower(w); });
        if (leftover) {
            report.warning(path, "left over from an install that did not finish",
                           "delete it when no install is running");
            continue;
        }
        // The finishing copy cannot delete itself: it stays until the saver's next run.
        if (base == lower(FINISHING_COPY_NAME)) {
            report.ok(path, "the finishing copy of the last install; the next run of a saver deletes it");
            continue;
        }
        if (!endsWith(name, ".scr")) continue;
        const NameMatch named = registered ? compare(settings.registeredSaver, path) : NameMatch::Different;
        if (!hasTrailer(path) && named != NameMatch::Same) continue;
        savers.push_back(path);
        checkProgramEntry(path, diagnoseFile(path, report), settings, compare, report);
        if (named == NameMatch::Same) match = path;
        if (named == NameMatch::Likely) likely = path;
    }
    if (savers.empty()) report.ok(directory, "holds no Lumivex saver");

    if (!settings.programsRead) {
        report.ok(std::string("the list of programs, ") + UNINSTALL_KEY, "could not be read");
    }
    for (const ProgramEntry &entry : settings.programs) {
        if (!entry.lumivex || std::any_of(names.begin(), names.end(), [&](const std::string &name) {
                return entryNames(compare, entry, join(directory, name));
            })) {
            continue;
        }
        const std::string key = programEntryKey(entry);
        report.error(key,
                     "names the saver " + uninstalledFile(entry) +
                         ", which is missing: the list of programs offers to remove a saver that is not there",
                     "remove the key " + key + " (with regedit), or " + REINSTALL);
    }

    if (!registered) {
        report.warning("system.ini [boot] scrnsave.exe", "no screen saver is registered",
                       "choose the saver in the display settings, or " + std::string(REINSTALL));
    } else {
        const std::string subject = "system.ini [boot] scrnsave.exe=" + settings.registeredSaver;
        if (!match.empty()) {
            report.ok(subject, "registers " + match);
        } else if (!likely.empty()) {
            report.ok(subject, "probably registers " + likely +
                                   " (a short name, which cannot be resolved here; its first letters fit)");
        } else {
            report.warning(subject, "registers no Lumivex saver of this directory",
                           "choose the saver in the display settings, or " + std::string(REINSTALL));
        }
    }
    checkActivation(savers, settings, compare, true, report);
    return true;
}

std::string formatFindings(const std::vector<Finding> &findings, bool json) {
    const auto severityName = [](Severity severity) {
        return severity == Severity::Error ? "error" : severity == Severity::Warning ? "warning" : "ok";
    };
    std::ostringstream out;
    if (!json) {
        for (const Finding &f : findings) {
            char label[10];
            std::snprintf(label, sizeof label, "%-8s", severityName(f.severity));
            out << label << f.subject << ": " << f.text;
            if (!f.fix.empty()) out << ". Fix: " << f.fix;
            out << "\n";
        }
        return out.str();
    }
    const auto quoted = [](const std::string &text) {
        std::string result = "\"";
        for (const unsigned char c : text) {
            if (c == '"' || c == '\\') {
                result += '\\';
                result += static_cast<char>(c);
            } else if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                result += escaped;
            } else {
                result += static_cast<char>(c);
            }
        }
        return result + "\"";
    };
    out << "{\"healthy\": " << (doctorExitCode(findings) == 0 ? "true" : "false") << ", \"findings\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding &f = findings[i];
        out << (i == 0 ? "\n  " : ",\n  ") << "{\"severity\": \"" << severityName(f.severity)
            << "\", \"subject\": " << quoted(f.subject) << ", \"finding\": " << quoted(f.text)
            << ", \"fix\": " << quoted(f.fix) << "}";
    }
    out << "\n]}\n";
    return out.str();
}

NameMatch compareFileNames(const std::string &registered, const std::string &file) {
    const auto nameOf = [](const std::string &path) {
        const size_t at = path.find_last_of("\\/");
        std::string name = at == std::string::npos ? path : path.substr(at + 1);
        for (char &c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
    };
    const std::string shortName = nameOf(registered), longName = nameOf(file);
    if (shortName == longName) return NameMatch::Same;
    const size_t tilde = shortName.find('~');
    const size_t shortDot = shortName.rfind('.'), longDot = longName.rfind('.');
    if (tilde == std::string::npos || shortDot == std::string::npos || longDot == std::string::npos ||
        shortName.substr(shortDot) != longName.substr(longDot)) {
        return NameMatch::Different;
    }
    std::string letters;
    for (const char c : longName.substr(0, longDot)) {
        if (c != ' ' && c != '.') letters += c;
    }
    return letters.compare(0, tilde, shortName, 0, tilde) == 0 ? NameMatch::Likely : NameMatch::Different;
}

int doctorExitCode(const std::vector<Finding> &findings) {
    return std::any_of(findings.begin(), findings.end(), [](const Finding &f) { return f.severity != Severity::Ok; })
               ? 1
               : 0;
}

bool iniValue(const std::string &text, const std::string &section, const std::string &key, std::string *value) {
    std::istringstream lines(text);
    bool inSection = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        line = line.substr(start);
        if (line[0] == '[') {
            const size_t end = line.find(']');
            inSection = end != std::string::npos && lower(line.substr(1, end - 1)) == lower(section);
            continue;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        name.erase(name.find_last_not_of(" \t") + 1);
        if (lower(name) != lower(key)) continue;
        std::string found = line.substr(equals + 1);
        found.erase(0, found.find_first_not_of(" \t"));
        found.erase(found.find_last_not_of(" \t") + 1);
        *value = found;
        return true;
    }
    return false;
}

SystemSettings readWinePrefixSettings(const std::string &directory) {
    SystemSettings settings;
    std::string text;
    if (readWholeFile(directory + "/system.ini", &text)) {
        settings.registrationFound = iniValue(text, "boot", "scrnsave.exe", &settings.registeredSaver);
    }
    std::string winIni, machine, user;
    const bool haveWinIni = readWholeFile(directory + "/win.ini", &winIni);
    const bool haveMachine = readWholeFile(directory + "/../../system.reg", &machine);
    const bool haveUser = readWholeFile(directory + "/../../user.reg", &user);
    const std::vector<RegistryFileKey> userKeys = haveUser ? parseRegistryFile(user) : std::vector<RegistryFileKey>();
    // The user's own choices: the same names under the policies' key are the administrator's.
    std::vector<RegistryFileKey> choices;
    std::copy_if(userKeys.begin(), userKeys.end(), std::back_inserter(choices),
                 [](const RegistryFileKey &key) { return lower(key.path) != lower(SCREEN_SAVER_POLICY_KEY); });
    settings.activeFound = (haveWinIni && iniValue(winIni, "windows", "ScreenSaveActive", &settings.active)) ||
                           registryValue(choices, "ScreenSaveActive", &settings.active);
    settings.timeoutFound = (haveWinIni && iniValue(winIni, "windows", "ScreenSaveTimeout", &settings.timeout)) ||
                            registryValue(choices, "ScreenSaveTimeout", &settings.timeout);
    settings.programsRead = haveMachine || haveUser;
    settings.policies.reading =
        settings.programsRead ? ScreenSaverPolicies::Reading::Read : ScreenSaverPolicies::Reading::NoRegistry;
    if (haveMachine) {
        const std::vector<RegistryFileKey> machineKeys = parseRegistryFile(machine);
        programEntriesOfRegistryFile(machineKeys, "HKEY_LOCAL_MACHINE", &settings.programs);
        policiesOfRegistryFile(machineKeys, "HKEY_LOCAL_MACHINE", &settings.policies);
    }
    programEntriesOfRegistryFile(userKeys, "HKEY_CURRENT_USER", &settings.programs);
    if (haveUser) policiesOfRegistryFile(userKeys, "HKEY_CURRENT_USER", &settings.policies);
    return settings;
}
