// What lumivex-pack reads of any file: info's report, and the doctor's reading of a Wine registry
// file (the list of programs, the screen saver's policies, and the values of win.ini that Wine
// keeps there).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "promise.h"
#include "tools/pack/assemble.h"
#include "tools/pack/registry_file.h"

namespace {

// The text as Wine writes it between double quotes: a backslash before a backslash or a quote,
// the letter escapes, three octal digits for the other control characters.
std::string wineEscaped(const std::string &text) {
    static const char CONTROLS[] = "\a\b\x1B\f\n\r\t\v";
    static const char LETTERS[] = "abefnrtv";
    std::string out;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const char *control = byte != 0 ? std::strchr(CONTROLS, c) : nullptr;
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (control != nullptr) {
            out += '\\';
            out += LETTERS[control - CONTROLS];
        } else if (byte < 32) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", byte);
            out += octal;
        } else {
            out += c;
        }
    }
    return out;
}

void checkRegistryFile(const std::string &text) {
    const std::vector<RegistryFileKey> keys = parseRegistryFile(text);
    // No decoded text is longer than the text it came from, so neither is all of it together.
    size_t decoded = 0;
    for (const RegistryFileKey &key : keys) {
        decoded += key.path.size();
        for (const RegistryFileValue &value : key.values) decoded += value.name.size() + value.text.size();
    }
    PROMISE(decoded <= text.size());
    std::vector<ProgramEntry> entries;
    programEntriesOfRegistryFile(keys, "HKEY_CURRENT_USER", &entries);
    const std::string list = std::string("HKEY_CURRENT_USER\\") + UNINSTALL_KEY + "\\";
    for (const ProgramEntry &entry : entries) {
        PROMISE(!entry.name.empty() && entry.name.find('\\') == std::string::npos);
        PROMISE(programEntryKey(entry) == list + entry.name);
        PROMISE(uninstalledFile(entry).size() <= entry.uninstallString.size());
    }
    // The policies' values are the file's own: found under the root given, no longer than its text.
    ScreenSaverPolicies policies;
    policiesOfRegistryFile(keys, "HKEY_LOCAL_MACHINE", &policies);
    PROMISE(policies.reading == ScreenSaverPolicies::Reading::Read);
    for (const PolicyValue *policy : {&policies.active, &policies.saver, &policies.timeout, &policies.secure}) {
        PROMISE(policy->found ? policy->root == "HKEY_LOCAL_MACHINE" && policy->text.size() <= text.size()
                              : policy->root.empty() && policy->text.empty());
    }
    // Any bytes, escaped as Wine escapes them, read back as they were.
    const std::string written = "[Software\\\\Test] 1\n\"value\"=\"" + wineEscaped(text) + "\"\n";
    const std::vector<RegistryFileKey> back = parseRegistryFile(written);
    PROMISE(back.size() == 1 && back[0].values.size() == 1);
    PROMISE(back[0].values[0].kind == RegistryFileValue::Kind::String && back[0].values[0].text == text);
    std::string value;
    PROMISE(registryFileValue(written, "VALUE", &value) && value == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // A file of the process's own on a memory file system.
    static const std::string path = "/dev/shm/lumivex-pack-info-fuzz-" + std::to_string(getpid());
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::string report;
    const int result = describeEngineFile(path, &report);
    PROMISE(result == 0 || result == 1);
    PROMISE(!report.empty() && report.back() == '\n');
    // A file it calls consistent ends in a trailer whose parts add up to the payload's end.
    if (result == 0) PROMISE(size >= 44 && report.find("layout: ") != std::string::npos);
    checkRegistryFile(std::string(reinterpret_cast<const char *>(data), size));
    return 0;
}
