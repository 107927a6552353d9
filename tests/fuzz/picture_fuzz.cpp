// The splash pictures that makers hand over: any bytes decoded as PNG or JPEG, and what comes out
// is a BMP picture the engine's own rules take, or a refusal that says why.
#include <cstdint>
#include <string>

#include "promise.h"
#include "tools/pack/assemble.h"
#include "tools/pack/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string file(reinterpret_cast<const char *>(data), size);
    std::string bmp, problem;
    if (!convertPictureToBmp(file, &bmp, &problem)) {
        PROMISE(!problem.empty() && bmp.empty());
        return 0;
    }
    PROMISE(problem.empty());
    PROMISE(checkBitmapFile(bmp).empty());
    const auto word = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bmp[at])) |
               static_cast<uint32_t>(static_cast<unsigned char>(bmp[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(bmp[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(bmp[at + 3])) << 24;
    };
    const uint32_t width = word(18), height = word(22), bits = word(28) & 0xFFFF, colours = word(46);
    PROMISE(width >= 1 && width <= MAX_PICTURE_SIDE && height >= 1 && height <= MAX_PICTURE_SIDE);
    PROMISE((bits == 8 && colours >= 1 && colours <= 256) || (bits == 24 && colours == 0));
    return 0;
}
