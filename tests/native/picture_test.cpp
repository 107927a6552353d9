// PNG and JPEG splash pictures become the BMP pictures the engine reads: few colours as an 8-bit
// picture with exactly those colours, many as a 24-bit one; broken and oversized ones are refused
// with their reason.
#include "tools/pack/picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tools/pack/assemble.h"

#include <stb_image_write.h>

namespace {

void collect(void *context, void *data, int size) {
    static_cast<std::string *>(context)->append(static_cast<const char *>(data), static_cast<size_t>(size));
}

// A picture of RGBA pixels (0xAARRGGBB, rows from the top) as a PNG or JPEG file.
std::string encode(PictureFormat format, int width, int height, const std::vector<uint32_t> &argb) {
    std::vector<unsigned char> rgba;
    for (uint32_t p : argb) {
        rgba.insert(rgba.end(), {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                 static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 24)});
    }
    std::string file;
    if (format == PictureFormat::Png) {
        stbi_write_png_to_func(collect, &file, width, height, 4, rgba.data(), width * 4);
    } else {
        stbi_write_jpg_to_func(collect, &file, width, height, 4, rgba.data(), 100);
    }
    return file;
}

uint32_t word(const std::string &bmp, size_t at) {
    const auto *p = reinterpret_cast<const unsigned char *>(bmp.data()) + at;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// The colour of pixel (x, y from the top) of an 8- or 24-bit BMP, as 0xRRGGBB.
uint32_t pixel(const std::string &bmp, int x, int y) {
    const int width = static_cast<int>(word(bmp, 18)), height = static_cast<int>(word(bmp, 22));
    const int bits = static_cast<int>(word(bmp, 28) & 0xFFFF);
    const size_t stride = (static_cast<size_t>(width * bits / 8) + 3) & ~size_t{3};
    const size_t row = word(bmp, 10) + stride * static_cast<size_t>(height - 1 - y);
    if (bits == 8) {
        const auto index = static_cast<unsigned char>(bmp[row + static_cast<size_t>(x)]);
        return word(bmp, 54 + 4u * index) & 0xFFFFFF;
    }
    return word(bmp, row + 3 * static_cast<size_t>(x)) & 0xFFFFFF;
}

TEST(Pictures, PngAndJpegBecomeTheBmpPicturesTheEngineReads) {
    std::vector<uint32_t> threeColours(6 * 4, 0xFF102030);
    threeColours[0] = 0xFFFF0000;   // top left red
    threeColours[23] = 0xFF00FF00;  // bottom right green
    std::vector<uint32_t> gradient(20 * 20);
    for (size_t i = 0; i < gradient.size(); ++i) gradient[i] = 0xFF000000 | static_cast<uint32_t>(i * 41);
    std::vector<uint32_t> halfSeen(2 * 2, 0x80FFFFFF);  // half-transparent white
    const std::vector<uint32_t> grey(8 * 8, 0xFF808080);
    struct Row {
        const char *label;
        PictureFormat format;
        int width, height;
        std::vector<uint32_t> pixels;
        int bits;
        uint32_t colours;  // the BMP's colour table entries
        uint32_t topLeft, bottomRight;
    };
    const Row rows[] = {
        {"palette PNG: 8-bit with exactly its colours, in the order met", PictureFormat::Png, 6, 4, threeColours, 8, 3,
         0xFF0000, 0x00FF00},
        {"true-colour PNG of 400 colours: 24-bit", PictureFormat::Png, 20, 20, gradient, 24, 0, 0x000000,
         static_cast<uint32_t>(399 * 41)},
        {"transparency laid over black", PictureFormat::Png, 2, 2, halfSeen, 8, 1, 0x808080, 0x808080},
        {"a flat JPEG", PictureFormat::Jpeg, 8, 8, grey, 8, 1, 0x808080, 0x808080},
    };
    for (const Row &row : rows) {
        const std::string file = encode(row.format, row.width, row.height, row.pixels);
        ASSERT_EQ(row.format, pictureFormatOf(file)) << row.label;
        std::string bmp, problem;
        ASSERT_TRUE(convertPictureToBmp(file, &bmp, &problem)) << row.label << ": " << problem;
        EXPECT_EQ("", checkBitmapFile(bmp)) << row.label << ": the engine's rules take it";
        EXPECT_EQ(static_cast<uint32_t>(row.width), word(bmp, 18)) << row.label;
        EXPECT_EQ(static_cast<uint32_t>(row.height), word(bmp, 22)) << row.label;
        EXPECT_EQ(static_cast<uint32_t>(row.bits), word(bmp, 28) & 0xFFFF) << row.label;
        EXPECT_EQ(row.colours, word(bmp, 46)) << row.label;
        EXPECT_EQ(row.topLeft, pixel(bmp, 0, 0)) << row.label;
        EXPECT_EQ(row.bottomRight, pixel(bmp, row.width - 1, row.height - 1)) << row.label;
    }
}

TEST(Pictures, BrokenAndOversizedPicturesAreRefusedWithTheirReason) {
    const std::string png = encode(PictureFormat::Png, 4, 4, std::vector<uint32_t>(16, 0xFF336699));
    const std::string jpeg = encode(PictureFormat::Jpeg, 16, 16, std::vector<uint32_t>(256, 0xFF336699));
    std::string hugeChunk = png;  // the image data declares 2 GiB, which the decoder would ask for
    hugeChunk.replace(hugeChunk.find("IDAT") - 4, 4, "\x7F\xFF\xFF\xFF");
    struct Row {
        const char *label;
        std::string file;
        const char *problem;
    };
    const Row rows[] = {
        {"PNG cut short", png.substr(0, png.size() / 2), "cannot be decoded as a PNG picture: "},
        {"a chunk that claims 2 GiB", hugeChunk, "cannot be decoded as a PNG picture: a chunk runs past the end"},
        {"PNG signature only", png.substr(0, 8), "cannot be decoded as a PNG picture: "},
        {"JPEG cut short", jpeg.substr(0, 40), "cannot be decoded as a JPEG picture: "},
        {"wider than 4096 pixels", encode(PictureFormat::Png, 4097, 1, std::vector<uint32_t>(4097, 0xFF000000)),
         "is 4097 x 1 pixels; the engine takes splash pictures of at most 4096 pixels a side"},
        {"taller than 4096 pixels", encode(PictureFormat::Png, 1, 5000, std::vector<uint32_t>(5000, 0xFF000000)),
         "is 1 x 5000 pixels"},
    };
    for (const Row &row : rows) {
        std::string bmp, problem;
        EXPECT_FALSE(convertPictureToBmp(row.file, &bmp, &problem)) << row.label;
        EXPECT_EQ(0u, problem.find(row.problem)) << row.label << ": " << problem;
        EXPECT_EQ("", bmp) << row.label;
    }
}

}  // namespace
