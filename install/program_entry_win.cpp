#include "install/program_entry_win.h"

#include <cstring>

#include "install/program_entry.h"
#include "startup/paths.h"
#include "startup/test_seams_win.h"

namespace {

// HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER.
const HKEY ENTRY_ROOTS[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

// An open registry key, closed on scope exit.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    HKEY *receive() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool setText(HKEY key, const char *name, const char *text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool setNumber(HKEY key, const char *name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number) ==
           ERROR_SUCCESS;
}

bool writeEntryUnder(HKEY root, const ProgramEntryTexts &texts, const char *saverPath, DWORD kib,
                     const char *previousSaver) {
    RegistryKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(root, texts.key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.receive(),
                        &disposition) != ERROR_SUCCESS) {
        return false;
    }
    const bool written = setText(key.get(), "DisplayName", texts.displayName) &&
                         setText(key.get(), "UninstallString", texts.uninstall) &&
                         setText(key.get(), "QuietUninstallString", texts.quietUninstall) &&
                         setText(key.get(), "DisplayIcon", saverPath) && setNumber(key.get(), "NoModify", 1) &&
                         setNumber(key.get(), "NoRepair", 1) && setNumber(key.get(), "EstimatedSize", kib) &&
                         setText(key.get(), PREVIOUS_SAVER_VALUE, previousSaver);
    // A key this write made and could not fill goes again; one that was there stays, as it was
    // an earlier install's entry of the same saver, whose files the failed commit puts back.
    if (!written && disposition == REG_CREATED_NEW_KEY) RegDeleteKeyA(root, texts.key);
    return written;
}

}  // namespace

HKEY writeProgramEntry(const char *saverPath, const char *playerPath, const char *previousSaver) {
    ProgramEntryTexts texts;
    if (!makeProgramEntryTexts(saverPath, &texts)) return nullptr;
    uint32_t saverBytes = 0;
    uint32_t playerBytes = 0;
    getFileSize(saverPath, &saverBytes);
    getFileSize(playerPath, &playerBytes);
    const DWORD kib = estimatedSizeKiB(saverBytes, playerBytes);
    for (HKEY root : ENTRY_ROOTS) {
        if (testEntryRefused(root == HKEY_LOCAL_MACHINE)) continue;
        if (writeEntryUnder(root, texts, saverPath, kib, previousSaver)) return root;
    }
    return nullptr;
}

HKEY findProgramEntry(const char *saverPath, char *previousSaver) {
    previousSaver[0] = '\0';
    ProgramEntryTexts texts;
    if (!makeProgramEntryTexts(saverPath, &texts)) return nullptr;
    for (HKEY root : ENTRY_ROOTS) {
        RegistryKey key;
        if (RegOpenKeyExA(root, texts.key, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) continue;
        DWORD type = 0;
        DWORD size = PATH_CAPACITY;
        const LONG read = RegQueryValueExA(key.get(), PREVIOUS_SAVER_VALUE, nullptr, &type,
                                           reinterpret_cast<BYTE *>(previousSaver), &size);
        if (read != ERROR_SUCCESS || type != REG_SZ || size == 0) size = 1;
        previousSaver[size - 1] = '\0';
        return root;
    }
    return nullptr;
}

bool deleteProgramEntry(HKEY root, const char *saverPath) {
    ProgramEntryTexts texts;
    return makeProgramEntryTexts(saverPath, &texts) && RegDeleteKeyA(root, texts.key) == ERROR_SUCCESS;
}
