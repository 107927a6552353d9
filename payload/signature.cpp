#include "payload/signature.h"

namespace {

uint32_t wordAt(const unsigned char *bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint32_t halfAt(const unsigned char *bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8;
}

constexpr uint32_t CERTIFICATE_HEADER_SIZE = 8;  // dwLength, wRevision, wCertificateType
constexpr uint32_t SECURITY_DIRECTORY = 4;

}  // namespace

uint32_t peHeaderOffset(const unsigned char dos[DOS_HEADER_SIZE]) {
    return dos[0] == 'M' && dos[1] == 'Z' ? wordAt(dos + 0x3C) : 0;
}

bool readPeSignatureFields(const unsigned char *header, size_t length, uint32_t peAt, PeSignatureFields *out) {
    *out = PeSignatureFields{};
    if (length < 24 + 2 || header[0] != 'P' || header[1] != 'E' || header[2] != 0 || header[3] != 0) return false;
    const uint32_t optionalSize = halfAt(header + 4 + 16);
    const uint32_t magic = halfAt(header + 24);
    // Where the optional header keeps the count of data directories and the directories, by form.
    uint32_t countAt = 0;
    if (magic == 0x10B) {
        countAt = 92;
    } else if (magic == 0x20B) {
        countAt = 108;
    } else {
        return false;
    }
    const uint32_t entryAt = countAt + 4 + SECURITY_DIRECTORY * 8;
    if (optionalSize < entryAt + 8 || length < 24 + entryAt + 8) return false;
    if (wordAt(header + 24 + countAt) <= SECURITY_DIRECTORY) return false;
    // peAt comes from the file: the sums stay below 2^32 only when it leaves room for the header.
    if (peAt > UINT32_MAX - 24 - optionalSize) return false;
    out->checksumAt = peAt + 24 + 64;
    out->securityEntryAt = peAt + 24 + entryAt;
    out->headersEnd = peAt + 24 + optionalSize;
    out->certificateOffset = wordAt(header + 24 + entryAt);
    out->certificateSize = wordAt(header + 24 + entryAt + 4);
    return true;
}

bool certificateEndsFile(const PeSignatureFields &fields, uint32_t fileSize) {
    const uint32_t offset = fields.certificateOffset;
    const uint32_t size = fields.certificateSize;
    return size >= CERTIFICATE_HEADER_SIZE && offset % 8 == 0 && offset >= fields.headersEnd && size <= fileSize &&
           offset == fileSize - size;
}

bool peSignatureFieldsOf(const unsigned char *image, size_t size, PeSignatureFields *out) {
    *out = PeSignatureFields{};
    if (size < DOS_HEADER_SIZE) return false;
    const uint32_t peAt = peHeaderOffset(image);
    if (peAt == 0 || peAt >= size) return false;
    const size_t window = size - peAt < PE_HEADER_WINDOW ? size - peAt : PE_HEADER_WINDOW;
    return readPeSignatureFields(image + peAt, window, peAt, out);
}

bool readPeSignature(SystemFile *file, PeSignatureFields *out) {
    *out = PeSignatureFields{};
    unsigned char dos[DOS_HEADER_SIZE];
    if (!seekSystemFile(file, 0, SeekOrigin::Start) ||
        readSystemFile(file, dos, DOS_HEADER_SIZE) != static_cast<int32_t>(DOS_HEADER_SIZE)) {
        return false;
    }
    const uint32_t peAt = peHeaderOffset(dos);
    if (peAt == 0 || peAt > static_cast<uint32_t>(INT32_MAX)) return false;
    unsigned char header[PE_HEADER_WINDOW];
    if (!seekSystemFile(file, static_cast<int32_t>(peAt), SeekOrigin::Start)) return false;
    const int32_t got = readSystemFile(file, header, static_cast<int32_t>(sizeof header));
    return got > 0 && readPeSignatureFields(header, static_cast<size_t>(got), peAt, out);
}

FileResult clearSignatureEntry(const char *path) {
    SystemFile *file = openSystemFile(path, FileMode::Update);
    if (file == nullptr) return FileResult::OpenFailed;
    PeSignatureFields fields;
    FileResult result = FileResult::Ok;
    if (readPeSignature(file, &fields) && (fields.certificateOffset != 0 || fields.certificateSize != 0)) {
        const unsigned char zeros[8] = {};
        const bool cleared = seekSystemFile(file, static_cast<int32_t>(fields.securityEntryAt), SeekOrigin::Start) &&
                             writeSystemFile(file, zeros, 8) &&
                             seekSystemFile(file, static_cast<int32_t>(fields.checksumAt), SeekOrigin::Start) &&
                             writeSystemFile(file, zeros, 4);
        if (!cleared) result = FileResult::ShortWrite;
    }
    if (!closeSystemFile(&file) && result == FileResult::Ok) result = FileResult::ShortWrite;
    return result;
}
