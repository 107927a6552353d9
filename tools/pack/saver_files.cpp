#include "tools/pack/saver_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "payload/description_tag.h"
#include "payload/signature.h"
#include "payload/trailer.h"
#include "tools/pack/assemble.h"

namespace {

// The security entry and checksum of a PE image's header cleared, when its entry names a table.
void clearSignature(std::string *image) {
    PeSignatureFields fields;
    if (!peSignatureFieldsOf(reinterpret_cast<const unsigned char *>(image->data()), image->size(), &fields) ||
        (fields.certificateOffset == 0 && fields.certificateSize == 0)) {
        return;
    }
    std::memset(&(*image)[fields.securityEntryAt], 0, 8);
    std::memset(&(*image)[fields.checksumAt], 0, 4);
}

bool writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

bool parseSaverClass(const std::string &text, SaverClass *out) {
    const struct {
        const char *text;
        SaverClass value;
    } classes[] = {{"win95", SaverClass::Win95}, {"winNT", SaverClass::WinNT}, {"win31", SaverClass::Win31}};
    for (const auto &known : classes) {
        if (text == known.text) {
            *out = known.value;
            return true;
        }
    }
    return false;
}

int cutSaverFiles(const std::string &installer, SaverClass saverClass, SaverFiles *files, std::string *error) {
    std::string bytes;
    if (!readWholeFile(installer, &bytes)) {
        *error = installer + ": " + fileProblem(installer);
        return 1;
    }
    PayloadTrailer t = {};
    PayloadPlace place = {};
    InstallerLayout layout = {};
    if (readPayloadTrailer(installer.c_str(), &t, &place) != FileResult::Ok || place.end > bytes.size()) {
        *error = installer + ": not an installer file: it does not end in a Lumivex payload trailer";
        return 1;
    }
    if (installerLayout(t, place.end, &layout) != FileResult::Ok ||
        static_cast<uint64_t>(layout.trailer) + TRAILER_SIZE != place.end) {
        *error = installer + ": not a whole installer file: its parts and trailer do not add up to its size";
        return 1;
    }
    const bool needsWin32 = (t.flags & TRAILER_FLAG_WIN32) != 0;
    if (saverClass == SaverClass::Win31 && needsWin32) {
        *error = installer +
                 ": the payload needs Windows 95 or NT (its flags hold 0x4000); the Windows 3.1 class "
                 "does not install it";
        return 1;
    }
    if (saverClass == SaverClass::WinNT && !needsWin32) {
        *error = installer +
                 ": the payload is for the Windows 3.1 class (its flags lack 0x4000); the Windows NT "
                 "class does not install it";
        return 1;
    }
    const bool win31 = saverClass == SaverClass::Win31;
    files->saver =
        win31 ? bytes.substr(0, t.imageASize) : bytes.substr(static_cast<size_t>(layout.imageB), t.imageBSize);
    clearSignature(&files->saver);
    files->saver +=
        bytes.substr(static_cast<size_t>(layout.splash), static_cast<size_t>(t.splash1Size) + t.splash2Size);
    files->saver += bytes.substr(static_cast<size_t>(layout.trailer), TRAILER_SIZE);
    files->player = bytes.substr(static_cast<size_t>(layout.player), t.playerSize);
    char text[TAG_TEXT_CAPACITY] = {};
    files->name = readDescriptionTag(installer.c_str(), DESCRIPTION_TAG, text) == FileResult::Ok ? text : "";
    return 0;
}

int writeSaverFiles(const SaverFiles &files, const std::string &name, const std::string &directory,
                    std::string *error) {
    const std::string base = directory.empty() ? name : directory + "/" + name;
    const std::string targets[] = {base + ".scr", base + ".exe"};
    const std::string *contents[] = {&files.saver, &files.player};
    bool written = true;
    int failed = 0, cause = 0;
    for (int i = 0; i < 2 && written; ++i) {
        written = writeFile(targets[i] + ".partial", *contents[i]);
        if (!written) failed = i, cause = errno;
    }
    for (int i = 0; i < 2 && written; ++i) {
        std::remove(targets[i].c_str());  // a rename onto an existing file fails on Windows
        written = std::rename((targets[i] + ".partial").c_str(), targets[i].c_str()) == 0;
        if (!written) {
            failed = i, cause = errno;
            if (i == 1) std::remove(targets[0].c_str());
        }
    }
    if (written) return 0;
    *error = targets[failed] + ": cannot be written: " + std::strerror(cause);
    for (const std::string &target : targets) std::remove((target + ".partial").c_str());
    return 1;
}

std::string makeTemporaryDirectory(std::string *error) {
    std::error_code failed;
    const std::filesystem::path base = std::filesystem::temp_directory_path(failed);
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; !failed && attempt < 100; ++attempt) {
        const std::filesystem::path work =
            base / ("lumivex-pack-" + std::to_string(stamp) + "-" + std::to_string(attempt));
        if (std::filesystem::create_directory(work, failed)) return work.string();
    }
    *error = "cannot make a temporary directory: " + (failed ? failed.message() : std::string("all names taken"));
    return "";
}
