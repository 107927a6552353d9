// Small files for the assembler: a PE image with header room for the description, and an 8-bit
// BMP picture the engine reads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

inline void put32(std::vector<unsigned char> &bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A minimal PE image: headers up to the section table, zero room, one section's data at 0x400.
inline std::vector<unsigned char> peImage(uint32_t firstSectionData = 0x400, unsigned char marker = 0x90) {
    std::vector<unsigned char> image(0x1000, 0);
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, 0x80);
    std::memcpy(&image[0x80], "PE\0\0", 4);
    image[0x80 + 6] = 1;      // one section
    image[0x80 + 20] = 0xE0;  // size of the optional header
    image[0x80 + 24] = 0x0B;  // PE32
    image[0x80 + 25] = 0x01;
    image[0x80 + 24 + 92] = 16;  // data directories
    const size_t section = 0x80 + 24 + 0xE0;
    std::memcpy(&image[section], ".text", 5);
    put32(image, section + 16, 0x200);
    put32(image, section + 20, firstSectionData);
    for (size_t i = firstSectionData; i < image.size(); ++i) image[i] = marker;
    return image;
}

inline std::vector<unsigned char> bitmapFile(int width, int height) {
    const uint32_t total = 14 + 40 + 1024 + static_cast<uint32_t>(((width + 3) & ~3) * height);
    std::vector<unsigned char> bytes(total, 0x11);
    std::fill(bytes.begin(), bytes.begin() + 14 + 40, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, total);
    put32(bytes, 14, 40);
    put32(bytes, 18, static_cast<uint32_t>(width));
    put32(bytes, 22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 8;
    return bytes;
}
