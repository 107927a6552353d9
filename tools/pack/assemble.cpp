#include "tools/pack/assemble.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "images/dib_rules.h"
#include "payload/description_tag.h"
#include "payload/file_copy.h"
#include "payload/signature.h"
#include "startup/install_names.h"
#include "tools/pack/picture.h"

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

// An input file's bytes; false with "ARGUMENT: reason" when it cannot be read.
bool readInput(const std::string &argument, const std::string &path, std::string *bytes, std::string *error) {
    if (readWholeFile(path, bytes)) return true;
    *error = argument + " " + path + ": " + fileProblem(path);
    return false;
}

// An engine image with an empty description tag in its header room; the tag's text is set (or
// room left for it) through the description tag code itself once the file is whole.
bool tagImage(const std::string &argument, const std::string &path, std::string *image, std::string *error) {
    const auto *bytes = reinterpret_cast<const unsigned char *>(image->data());
    int32_t begin = 0;
    int32_t end = 0;
    const std::string at = argument + " " + path + ": ";
    if (findHeaderRoom(bytes, image->size(), &begin, &end) != 0) {
        *error = at + "not a Windows program (no PE header): give the engine, lumivex.exe";
        return false;
    }
    int32_t position = 0;
    const int32_t window = image->size() < static_cast<size_t>(TAG_SEARCH_WINDOW) ? static_cast<int32_t>(image->size())
                                                                                  : TAG_SEARCH_WINDOW;
    if (findTagInBuffer(DESCRIPTION_TAG, bytes, window, &position) != 0) {
        *error = at + "already carries a saver's description: it is an installer or saver file, not the engine";
        return false;
    }
    if (end - begin < EMPTY_TAG_BYTES) {
        *error = at + "its executable header has no room for the saver's description";
        return false;
    }
    (*image)[static_cast<size_t>(begin)] = 10;
    std::memcpy(&(*image)[static_cast<size_t>(begin) + 1], DESCRIPTION_TAG, 10);
    return true;
}

// A signed engine as it was before it was signed: the bytes before its certificate table, with the
// security entry and the checksum cleared, so that the installer's images name no table (the tag
// written into their headers would break the signature anyway; the maker signs the installer file).
// An engine whose entry names no table that ends it stays as it is.
void leaveOutSignature(std::string *image) {
    PeSignatureFields fields;
    if (image->size() > 0x7FFFFFFFu ||
        !peSignatureFieldsOf(reinterpret_cast<const unsigned char *>(image->data()), image->size(), &fields) ||
        !certificateEndsFile(fields, static_cast<uint32_t>(image->size()))) {
        return;
    }
    // Both fields lie inside the headers, which end before the table.
    image->resize(fields.certificateOffset);
    std::memset(&(*image)[fields.securityEntryAt], 0, 8);
    std::memset(&(*image)[fields.checksumAt], 0, 4);
}

// A splash picture as the BMP file the engine reads: a BMP as it is, a PNG or JPEG converted.
bool splashPicture(const std::string &argument, const std::string &path, std::string *bytes, std::string *error) {
    if (!readInput(argument, path, bytes, error)) return false;
    const std::string at = argument + " " + path + ": ";
    const PictureFormat format = pictureFormatOf(*bytes);
    if (format == PictureFormat::Other) {
        *error = at + "not a BMP, PNG or JPEG picture";
        return false;
    }
    if (format != PictureFormat::Bmp) {
        std::string converted, problem;
        if (!convertPictureToBmp(*bytes, &converted, &problem)) {
            *error = at + problem;
            return false;
        }
        bytes->swap(converted);
    }
    const std::string problem = checkBitmapFile(*bytes);
    if (!problem.empty()) {
        *error = at + problem;
        return false;
    }
    return true;
}

// The installer file at `output`: image A, image B, the splash pictures, the player, the trailer,
// and the saver's name in image A's description.
int writeInstaller(const AssembleRequest &request, const std::string &output, std::string *error) {
    std::string imageA, imageB, splash1, splash2, player;
    const bool separateA = !request.engineWin31.empty();
    if (!readInput("--engine", request.engine, &imageB, error) ||
        (separateA && !readInput("--engine-win31", request.engineWin31, &imageA, error)) ||
        !readInput("--player", request.player, &player, error) ||
        (!request.splash1.empty() && !splashPicture("--splash1", request.splash1, &splash1, error)) ||
        (!request.splash2.empty() && !splashPicture("--splash2", request.splash2, &splash2, error))) {
        return 1;
    }
    leaveOutSignature(&imageB);
    if (separateA) leaveOutSignature(&imageA);
    if (!separateA) imageA = imageB;
    if (!tagImage(separateA ? "--engine-win31" : "--engine", separateA ? request.engineWin31 : request.engine, &imageA,
                  error) ||
        !tagImage("--engine", request.engine, &imageB, error)) {
        return 1;
    }
    const std::string *parts[] = {&imageA, &imageB, &splash1, &splash2, &player};
    uint64_t total = TRAILER_SIZE;
    for (const std::string *part : parts) total += part->size();
    if (total > 0x7FFFFFFFu) {
        *error = "the engines, the pictures and the player come to " + std::to_string(total) +
                 " bytes; an installer file holds less than 2 GiB";
        return 1;
    }
    PayloadTrailer trailer = {};
    trailer.flags = request.flags;
    uint32_t *sizes[] = {&trailer.imageASize, &trailer.imageBSize, &trailer.splash1Size, &trailer.splash2Size,
                         &trailer.playerSize};
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 5 && out; ++i) {
        *sizes[i] = static_cast<uint32_t>(parts[i]->size());
        out.write(parts[i]->data(), static_cast<std::streamsize>(parts[i]->size()));
    }
    out.close();
    if (!out || appendPayloadTrailer(output.c_str(), &trailer) != FileResult::Ok) {
        *error = "-o " + request.output + ": cannot be written: " + std::strerror(errno);
        return 1;
    }
    // The name goes behind image A's tag once the file is whole, so the tag code sees its full
    // window even for a small image.
    if (writeDescriptionTag(output.c_str(), DESCRIPTION_TAG, request.name.c_str()) != FileResult::Ok) {
        *error = "--name \"" + request.name + "\": too long for the room in the executable header of " +
                 (separateA ? "--engine-win31 " + request.engineWin31 : "--engine " + request.engine);
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

std::string fileProblem(const std::string &path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return std::string("cannot be opened: ") + std::strerror(errno);
    if (S_ISDIR(status.st_mode)) return "is a folder, not a file";
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::string("cannot be opened: ") + std::strerror(errno);
    std::fclose(file);
    return "cannot be read whole";
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
        *error = "--name \"" + request.name + "\": " + nameProblem;
        return 1;
    }
    // Everything is written beside the output first, so a failure leaves no partial file there.
    const std::string partial = request.output + ".partial";
    const int result = writeInstaller(request, partial, error);
    if (result == 0 && std::rename(partial.c_str(), request.output.c_str()) != 0) {
        std::remove(request.output.c_str());
        if (std::rename(partial.c_str(), request.output.c_str()) != 0) {
            *error = "-o " + request.output + ": cannot be written: " + std::strerror(errno);
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
    PayloadPlace place = {};
    const FileResult read = readPayloadTrailer(path.c_str(), &t, &place);
    uint32_t size = 0;
    if (!fileSize(path, &size)) {
        *report = path + ": " + fileProblem(path) + "\n";
        return 1;
    }
    if (read != FileResult::Ok) {
        *report = path + ": not an installer or saver file: it does not end in a Lumivex payload trailer\n";
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
    if (place.certificateSize != 0) {
        out << "  signed: a certificate table of " << place.certificateSize << " bytes at " << place.certificateOffset
            << " follows the payload\n";
    }

    // The parts end where the payload ends: the file's end, or before a signed file's table.
    const uint32_t end = place.end;
    InstallerLayout layout = {};
    const bool installer =
        installerLayout(t, end, &layout) == FileResult::Ok && static_cast<uint32_t>(layout.trailer) + 44 == end;
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
    const char *kind = static_cast<uint64_t>(t.imageBSize) + splash == end   ? "installed saver file (image B)"
                       : static_cast<uint64_t>(t.imageASize) + splash == end ? "installed saver file (image A)"
                                                                             : nullptr;
    if (kind != nullptr) {
        out << "  layout: " << kind << "\n";
        *report = out.str();
        return 0;
    }
    out << "  layout: INCONSISTENT: the parts and the trailer do not add up to the "
        << (place.certificateSize != 0 ? "size of what precedes the certificate table" : "file's size") << "\n";
    *report = out.str();
    return 1;
}
