#include "tools/pack/picture.h"

#include <stb_image.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace {

void put16(std::string &out, uint32_t value) {
    for (int i = 0; i < 2; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}
void put32(std::string &out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// A BMP file of the given bit depth (8 with the colour table, or 24), rows bottom-up, each padded
// to four bytes; rowBytes gives row y (from the top) as the depth's bytes.
template <typename RowBytes>
std::string bmpFile(int width, int height, int bits, const std::vector<uint32_t> &table, RowBytes rowBytes) {
    const uint32_t stride = (static_cast<uint32_t>(width) * static_cast<uint32_t>(bits) / 8 + 3) & ~3u;
    const uint32_t tableBytes = static_cast<uint32_t>(table.size()) * 4;
    const uint32_t offset = 14 + 40 + tableBytes;
    const uint32_t imageBytes = stride * static_cast<uint32_t>(height);
    std::string out;
    out.reserve(offset + imageBytes);
    out += "BM";
    put32(out, offset + imageBytes);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(bits));
    put32(out, 0);  // BI_RGB
    put32(out, imageBytes);
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, static_cast<uint32_t>(table.size()));
    put32(out, 0);
    for (uint32_t rgb : table) put32(out, rgb);  // blue, green, red, 0 in the file
    for (int y = height - 1; y >= 0; --y) {
        std::string row = rowBytes(y);
        row.resize(stride, '\0');
        out += row;
    }
    return out;
}

// Whether every chunk of a PNG file lies inside the file: a chunk's declared length is all that
// the decoder goes by when it gathers the image data, so a small file that declares a huge chunk
// would have it ask for gigabytes.
bool pngChunksFit(const std::string &bytes) {
    size_t at = 8;
    while (at < bytes.size()) {
        if (bytes.size() - at < 12) return false;
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.data()) + at;
        const uint64_t length = static_cast<uint64_t>(p[0]) << 24 | static_cast<uint64_t>(p[1]) << 16 |
                                static_cast<uint64_t>(p[2]) << 8 | p[3];
        if (length > bytes.size() - at - 12) return false;
        if (std::memcmp(p + 4, "IEND", 4) == 0) return true;
        at += 12 + static_cast<size_t>(length);
    }
    return false;
}

}  // namespace

PictureFormat pictureFormatOf(const std::string &bytes) {
    if (bytes.compare(0, 2, "BM") == 0) return PictureFormat::Bmp;
    if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return PictureFormat::Png;
    if (bytes.compare(0, 3, "\xFF\xD8\xFF") == 0) return PictureFormat::Jpeg;
    return PictureFormat::Other;
}

const char *pictureFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::Bmp:
            return "BMP";
        case PictureFormat::Png:
            return "PNG";
        case PictureFormat::Jpeg:
            return "JPEG";
        case PictureFormat::Other:
            break;
    }
    return "unknown";
}

bool convertPictureToBmp(const std::string &bytes, std::string *bmp, std::string *problem) {
    const char *format = pictureFormatName(pictureFormatOf(bytes));
    const auto *data = reinterpret_cast<const stbi_uc *>(bytes.data());
    const int length = bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (pictureFormatOf(bytes) == PictureFormat::Png && !pngChunksFit(bytes)) {
        *problem = "cannot be decoded as a PNG picture: a chunk runs past the end of the file, or it has no end";
        return false;
    }
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
        *problem = std::string("cannot be decoded as a ") + format + " picture: " + stbi_failure_reason();
        return false;
    }
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE) {
        *problem = "is " + std::to_string(width) + " x " + std::to_string(height) +
                   " pixels; the engine takes splash pictures of at most " + std::to_string(MAX_PICTURE_SIDE) +
                   " pixels a side";
        return false;
    }
    stbi_uc *pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (pixels == nullptr) {
        *problem = std::string("cannot be decoded as a ") + format + " picture: " + stbi_failure_reason();
        return false;
    }
    // Each pixel laid over black, as 0x00RRGGBB.
    std::vector<uint32_t> colours(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t i = 0; i < colours.size(); ++i) {
        const stbi_uc *p = pixels + 4 * i;
        const auto over = [&](int c) { return static_cast<uint32_t>((p[c] * p[3] + 127) / 255); };
        colours[i] = over(0) << 16 | over(1) << 8 | over(2);
    }
    stbi_image_free(pixels);

    // The colours in the order the rows from the top meet them, while there are at most 256.
    std::map<uint32_t, uint32_t> index;
    std::vector<uint32_t> table;
    bool fewColours = true;
    for (uint32_t colour : colours) {
        if (index.count(colour) != 0) continue;
        if (table.size() == 256) {
            fewColours = false;
            break;
        }
        index.emplace(colour, static_cast<uint32_t>(table.size()));
        table.push_back(colour);
    }
    const size_t w = static_cast<size_t>(width);
    if (fewColours) {
        *bmp = bmpFile(width, height, 8, table, [&](int y) {
            std::string row;
            for (size_t x = 0; x < w; ++x) {
                row.push_back(static_cast<char>(index[colours[static_cast<size_t>(y) * w + x]]));
            }
            return row;
        });
        return true;
    }
    *bmp = bmpFile(width, height, 24, {}, [&](int y) {
        std::string row;
        for (size_t x = 0; x < w; ++x) {
            const uint32_t c = colours[static_cast<size_t>(y) * w + x];
            row.push_back(static_cast<char>(c));
            row.push_back(static_cast<char>(c >> 8));
            row.push_back(static_cast<char>(c >> 16));
        }
        return row;
    });
    return true;
}
