// Path splitting and building, install names and the final-name rule, in a code page whose lead
// bytes the input chooses.
#include <fuzzer/FuzzedDataProvider.h>

#include <bitset>
#include <cstring>
#include <string>

#include "promise.h"
#include "startup/install_names.h"
#include "startup/paths.h"

namespace {

std::bitset<256> leadBytes;
bool chosenLeadByte(unsigned char byte) { return leadBytes[byte]; }

std::string joined(const PathParts &parts) {
    char out[PATH_CAPACITY];
    PROMISE(joinPath(parts, out) == PathResult::Ok);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    leadBytes.reset();
    // Lead bytes from 0x80 on, as double-byte code pages have them.
    for (int i = 0; i < 16; ++i) {
        if (input.ConsumeBool()) leadBytes.set(0x80 + static_cast<size_t>(input.ConsumeIntegralInRange(0, 127)));
    }
    pathLeadByteTest = input.ConsumeBool() ? chosenLeadByte : nullptr;
    const std::string path = input.ConsumeRandomLengthString(300);
    const std::string name = input.ConsumeRandomLengthString(300);
    const std::string windows = input.ConsumeRandomLengthString(300);

    PathParts parts;
    const PathResult split = splitPath(path.c_str(), &parts);
    PROMISE((split == PathResult::Ok) == (std::strlen(path.c_str()) < PATH_CAPACITY));
    if (split == PathResult::Ok) {
        PROMISE(joined(parts) == path.c_str());  // split and joined again, a path is itself
        char replaced[PATH_CAPACITY];
        std::strcpy(replaced, path.c_str());
        const PathResult result = replacePathParts(replaced, nullptr, nullptr, name.c_str(), nullptr);
        PROMISE(std::strlen(replaced) < PATH_CAPACITY);
        if (result != PathResult::Ok) PROMISE(std::strcmp(replaced, path.c_str()) == 0);
    }

    char saver[PATH_CAPACITY], beside[PATH_CAPACITY], player[PATH_CAPACITY];
    if (makeInstallNamesIn(windows.c_str(), path.c_str(), saver, beside, player) == PathResult::Ok) {
        for (const char *made : {saver, beside, player}) PROMISE(std::strlen(made) < PATH_CAPACITY);
        PROMISE(std::strlen(saver) >= 4 && std::strcmp(saver + std::strlen(saver) - 4, ".scr") == 0);
    } else {
        PROMISE(saver[0] == '\0' && beside[0] == '\0' && player[0] == '\0');
    }

    // A usable final name holds no separator or other forbidden character of its own and does
    // not end in the first byte of a double-byte character.
    if (usableAsFinalName(name.c_str())) {
        const char *text = name.c_str();
        for (const char *p = text; *p != '\0'; ++p) {
            if (pathLeadByteTest != nullptr && pathLeadByteTest(static_cast<unsigned char>(*p))) {
                PROMISE(p[1] != '\0');
                ++p;
                continue;
            }
            PROMISE(std::strchr("\\/:\"*?<>|", *p) == nullptr && static_cast<unsigned char>(*p) >= 32);
        }
    }
    pathLeadByteTest = nullptr;
    return 0;
}
