#include "tools/pack/assemble.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "images/dib_rules.h"
#include "payload/description_tag.h"
#include "payload/file_copy.h"
#include "startup/install_names.h"

namespace {

constexpr size_t MAX_NAME_LENGTH = 200;
constexpr int32_t EMPTY_TAG_BYTES = 1 + 10 + 1;  // length byte, "SCRNSAVE: ", NUL

uint32_t read32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t read16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool fileSize(const std::string &path, uint32_t *size) {
    std::string bytes;
    if (!readWholeFile(path, &bytes) || bytes.size() > 0x7FFFFFFFu) return false;
    *size = static_cast<uint32_t>(bytes.size());
    return true;
}

// Copies an engine image to target and writes an empty description tag into its header room.
// The tag's text is then set (or room left for it) through the description tag code itself.
int copyImageWithTag(const std::string &source, const std::string &target, std::string *error) {
    std::string image;
    if (!readWholeFile(source, &image)) {
        *error = source + ": cannot be read";
        return 1;
    }
    const auto *bytes = reinterpret_cast<const unsigned char *>(image.data());
    int32_t begin = 0;
    int32_t end = 0;
    if (findHeaderRoom(bytes, image.size(), &begin, &end) != 0) {
        *error = source + ": not a Windows executable image";
        return 1;
    }
    int32_t position = 0;
    const int32_t window =
        image.size() < static_cast<size_t>(TAG_SEARCH_WINDOW) ? static_cast<int32_t>(image.size()) : TAG_SEARCH_WINDOW;
    if (findTagInBuffer(DESCRIPTION_TAG, bytes, window, &position) != 0) {
        *error = source + ": already carries a description tag";
        return 1;
    }
    if (end - begin < EMPTY_TAG_BYTES) {
        *error = source + ": no room for the description in the executable header";
        return 1;
    }
    image[static_cast<size_t>(begin)] = 10;
    std::memcpy(&image[static_cast<size_t>(begin) + 1], DESCRIPTION_TAG, 10);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        *error = target + ": cannot be written";
        return 1;
    }
    return 0;
}

// Adds the whole of source at the end of target.
int appendWhole(const std::string &source, const std::string &target, uint32_t size, std::string *error) {
    const FileResult result = appendFileSlice(source.c_str(), target.c_str(), 0, static_cast<int32_t>(size));
    if (result == FileResult::Ok) return 0;
    *error = target + ": cannot append " + source + " (code " + std::to_string(static_cast<int>(result)) + ")";
    return 1;
}

int assembleInto(const AssembleRequest &request, const std::string &output, const std::string &imageB,
                 std::string *error) {
    const std::string imageA = request.engineWin31.empty() ? request.engine : request.engineWin31;
    if (copyImageWithTag(imageA, output, error) != 0) return 1;
    if (copyImageWithTag(request.engine, imageB, error) != 0) return 1;

    PayloadTrailer trailer = {};
    trailer.flags = request.flags;
    const std::string *parts[] = {&imageB, &request.splash1, &request.splash2, &request.player};
    uint32_t *sizes[] = {&trailer.imageBSize, &trailer.splash1Size, &trailer.splash2Size, &trailer.playerSize};
    if (!fileSize(output, &trailer.imageASize)) {
        *error = output + ": cannot be read back";
        return 1;
    }
    for (int i = 0; i < 4; ++i) {
        if (parts[i]->empty()) continue;
        if (!fileSize(*parts[i], sizes[i])) {
            *error = *parts[i] + ": cannot be read";
            return 1;
        }
        if (appendWhole(*parts[i], output, *sizes[i], error) != 0) return 1;
    }
    InstallerLayout layout = {};
    if (installerLayout(trailer, 0xFFFFFFFFu, &layout) != FileResult::Ok) {
        *error = output + ": the parts add up to 2 GiB or more";
        return 1;
    }
    if (appendPayloadTrailer(output.c_str(), &trailer) != FileResult::Ok) {
        *error = output + ": cannot write the payload trailer";
        return 1;
    }
    // The name goes behind image A's tag once the file is whole, so the tag code sees its full
    // window even for a small image.
    if (writeDescriptionTag(output.c_str(), DESCRIPTION_TAG, request.name.c_str()) != FileResult::Ok) {
        *error = imageA + ": no room for the name \"" + request.name + "\" in the executable header";
        return 1;
    }
    return 0;
}

}  // namespace

bool readWholeFile(const std::string &path, std::string *bytes) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes->clear();
    char chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes->append(chunk, got);
    const bool whole = std::ferror(file) == 0;  // a folder opens but cannot be read
    std::fclose(file);
    return whole;
}

int findHeaderRoom(const unsigned char *image, size_t size, int32_t *begin, int32_t *end) {
    *begin = *end = 0;
    if (size < 64 || image[0] != 'M' || image[1] != 'Z') return -1;
    const uint32_t pe = read32(image + 0x3C);
    if (pe > size || size - pe < 24 || std::memcmp(image + pe, "PE\0\0", 4) != 0) return -1;
    const uint32_t sections = read16(image + pe + 6);
    const uint32_t optional = read16(image + pe + 20);
    const uint64_t tableEnd = static_cast<uint64_t>(pe) + 24 + optional + 40ull * sections;
    if (tableEnd > size) return -1;
    uint64_t limit = size < static_cast<size_t>(TAG_SEARCH_WINDOW) ? size : static_cast<size_t>(TAG_SEARCH_WINDOW);
    for (uint32_t i = 0; i < sections; ++i) {
        const unsigned char *entry = image + tableEnd - 40ull * (sections - i);
        const uint32_t rawSize = read32(entry + 16);
        const uint32_t rawPointer = read32(entry + 20);
        if (rawSize != 0 && rawPointer < limit) limit = rawPointer;
    }
    if (tableEnd >= limit) return -1;
    uint64_t zeroEnd = tableEnd;
    while (zeroEnd < limit && image[zeroEnd] == 0) ++zeroEnd;
    *begin = static_cast<int32_t>(tableEnd);
    *end = static_cast<int32_t>(zeroEnd);
    return 0;
}

std::string checkSaverName(const std::string &name) {
    if (name.empty()) return "the name is empty";
    if (name.size() > MAX_NAME_LENGTH)
        return "the name is longer than " + std::to_string(MAX_NAME_LENGTH) + " characters";
    for (unsigned char c : name) {
        if (c < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr) {
            return std::string("the name holds the character '") + static_cast<char>(c) +
                   "', which a file name cannot hold";
        }
    }
    if (name.back() == ' ' || name.back() == '.') return "the name ends in a blank or a dot";
    switch (finalNameProblem(name.c_str())) {
        case FinalNameProblem::None:
            return "";
        case FinalNameProblem::WorkingName:
            return "the name is one the installer uses itself (in any letter case)";
        case FinalNameProblem::EndsInLeadByte:
            return "the name ends in the first byte of a double-byte character";
        default:
            return "the name cannot be a file name";
    }
}

std::string checkPlayerFile(const std::string &path) {
    PayloadTrailer own = {};
    if (readPayloadTrailer(path.c_str(), &own) != FileResult::Ok) return "";
    return path +
           " ends in a payload trailer of its own: is it an installer file or an installed saver "
           "rather than a player?";
}

std::string checkBitmapFile(const std::string &bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    if (bytes.size() < 14 + 12 || p[0] != 'B' || p[1] != 'M') return "not a BMP file";
    if (read32(p + 2) != bytes.size()) return "the BMP size field does not match the file's size";
    const uint32_t header = read32(p + 14);
    if (header != 12 && header < 16) return "the bitmap header size is not one the engine reads";
    if (header > bytes.size() - 14) return "the bitmap header runs past the end of the file";
    if (!dibFitsBlock(p + 14, static_cast<uint32_t>(bytes.size() - 14))) {
        return "the bitmap's colour table or pixels run past the end of the file";
    }
    return "";
}

int assembleInstaller(const AssembleRequest &request, std::string *error) {
    const std::string nameProblem = checkSaverName(request.name);
    if (!nameProblem.empty()) {
        *error = request.output + ": " + nameProblem;
        return 1;
    }
    const std::string *bitmaps[] = {&request.splash1, &request.splash2};
    for (const std::string *bitmap : bitmaps) {
        if (bitmap->empty()) continue;
        std::string bytes;
        if (!readWholeFile(*bitmap, &bytes)) {
            *error = *bitmap + ": cannot be read";
            return 1;
        }
        const std::string problem = checkBitmapFile(bytes);
        if (!problem.empty()) {
            *error = *bitmap + ": " + problem;
            return 1;
        }
    }
    // Everything is written beside the output first, so a failure leaves no partial file there.
    const std::string partial = request.output + ".partial";
    const std::string imageB = request.output + ".imageb";
    const int result = assembleInto(request, partial, imageB, error);
    std::remove(imageB.c_str());
    if (result == 0 && std::rename(partial.c_str(), request.output.c_str()) != 0) {
        std::remove(request.output.c_str());
        if (std::rename(partial.c_str(), request.output.c_str()) != 0) {
            *error = request.output + ": cannot be written";
            std::remove(partial.c_str());
            return 1;
        }
    }
    if (result != 0) std::remove(partial.c_str());
    return result;
}

int describeEngineFile(const std::string &path, std::string *report) {
    std::ostringstream out;
    PayloadTrailer t = {};
    const FileResult read = readPayloadTrailer(path.c_str(), &t);
    uint32_t size = 0;
    if (read != FileResult::Ok || !fileSize(path, &size)) {
        *report = path + ": no payload trailer (code " + std::to_string(static_cast<int>(read)) + ")\n";
        return 1;
    }
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%08X", static_cast<unsigned>(t.flags));
    out << path << ": " << size << " bytes\n"
        << "  imageASize  " << t.imageASize << "\n  imageBSize  " << t.imageBSize << "\n  splash1Size " << t.splash1Size
        << "\n  splash2Size " << t.splash2Size << "\n  playerSize  " << t.playerSize << "\n  flags       " << flags
        << ((t.flags & TRAILER_FLAG_WIN32) != 0 ? " (needs Windows 95 or NT)" : "") << "\n  reserved    " << t.reserved1
        << " " << t.reserved2 << " " << t.reserved3 << " " << t.reserved4 << "\n";
    char text[TAG_TEXT_CAPACITY] = {};
    const FileResult tag = readDescriptionTag(path.c_str(), DESCRIPTION_TAG, text);
    out << "  description " << (tag == FileResult::Ok ? "\"" + std::string(text) + "\"" : "(none)") << "\n";

    InstallerLayout layout = {};
    const bool installer =
        installerLayout(t, size, &layout) == FileResult::Ok && static_cast<uint32_t>(layout.trailer) + 44 == size;
    if (installer) {
        out << "  layout: installer file\n"
            << "    image A  at 0 size " << t.imageASize << "\n    image B  at " << layout.imageB << " size "
            << t.imageBSize << "\n    splash 1 at " << layout.splash << " size " << t.splash1Size
            << "\n    splash 2 at " << layout.splash + static_cast<int32_t>(t.splash1Size) << " size " << t.splash2Size
            << "\n    player   at " << layout.player << " size " << t.playerSize << "\n    trailer  at "
            << layout.trailer << "\n";
        *report = out.str();
        return 0;
    }
    // An installed saver file holds one engine image (B, or A on the win31 class) and the bitmaps.
    const uint64_t splash = static_cast<uint64_t>(t.splash1Size) + t.splash2Size + TRAILER_SIZE;
    const char *kind = static_cast<uint64_t>(t.imageBSize) + splash == size   ? "installed saver file (image B)"
                       : static_cast<uint64_t>(t.imageASize) + splash == size ? "installed saver file (image A)"
                                                                              : nullptr;
    if (kind != nullptr) {
        out << "  layout: " << kind << "\n";
        *report = out.str();
        return 0;
    }
    out << "  layout: INCONSISTENT: the parts and the trailer do not add up to the file's size\n";
    *report = out.str();
    return 1;
}
