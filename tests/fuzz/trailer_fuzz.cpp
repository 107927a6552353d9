// The payload trailer read from any file, and every offset computed from it: the splash
// bitmaps', the installer layout, and the install plan's ranges.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

#include "install/install_plan.h"
#include "payload/trailer.h"
#include "promise.h"

namespace {

uint32_t wordAt(const std::string &bytes, size_t at) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i) word = word << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return word;
}

bool startsWith(const char *target, const char *prefix) { return std::strncmp(target, prefix, std::strlen(prefix)) == 0; }

void checkOffsets(const PayloadTrailer &t, uint32_t fileSize) {
    for (bool win31 : {false, true}) {
        int32_t first = -1, second = -1;
        const uint64_t base = win31 ? t.imageASize : t.imageBSize;
        const FileResult found = splashOffsets(t, win31, &first, &second);
        const bool fits = base + t.splash1Size <= INT32_MAX;
        PROMISE((found == FileResult::Ok) == fits);
        if (fits) PROMISE(static_cast<uint64_t>(first) == base && static_cast<uint64_t>(second) == base + t.splash1Size);
    }
    InstallerLayout layout = {};
    const uint64_t end = uint64_t{t.imageASize} + t.imageBSize + t.splash1Size + t.splash2Size + t.playerSize + 44;
    const FileResult laid = installerLayout(t, fileSize, &layout);
    PROMISE((laid == FileResult::Ok) == (end <= fileSize && end <= INT32_MAX));
    if (laid == FileResult::Ok) {
        PROMISE(layout.imageB == static_cast<int32_t>(t.imageASize));
        PROMISE(layout.splash - layout.imageB == static_cast<int32_t>(t.imageBSize));
        PROMISE(layout.player - layout.splash == static_cast<int32_t>(t.splash1Size + t.splash2Size));
        PROMISE(layout.trailer - layout.player == static_cast<int32_t>(t.playerSize));
        PROMISE(static_cast<uint64_t>(layout.trailer) + 44 <= fileSize);
    }
}

// The install plan never gives a range outside the installer file, nor names that do not fit.
void checkPlan(FuzzedDataProvider &input, const PayloadTrailer &t, uint32_t fileSize) {
    const PlatformClass classes[3] = {{true, false, false}, {false, true, false}, {false, false, true}};
    const std::string description = input.ConsumeRandomLengthString(300);
    const std::string engine = "D:\\" + input.ConsumeRandomLengthString(300);
    const std::string player = input.ConsumeRandomLengthString(300);
    const InstallFacts facts = {classes[input.ConsumeIntegralInRange(0, 2)],
                                "C:\\WINDOWS",
                                engine.c_str(),
                                input.ConsumeBool() ? description.c_str() : nullptr,
                                t,
                                fileSize,
                                input.ConsumeBool() ? player.c_str() : nullptr,
                                startsWith};
    InstallPlan plan;
    if (planInstall(facts, &plan) != RunResult::Done) return;
    for (const char *path : {plan.paths.temporarySaver, plan.paths.finalSaver, plan.paths.temporaryPlayer,
                             plan.paths.finalPlayer}) {
        PROMISE(std::strlen(path) < PATH_CAPACITY);
    }
    PROMISE(0 <= plan.imageFrom && plan.imageFrom <= plan.imageTo && plan.imageTo <= plan.splashFrom);
    PROMISE(plan.splashFrom <= plan.splashTo && plan.splashTo == plan.playerFrom);
    PROMISE(static_cast<uint64_t>(plan.splashTo) + 44 <= fileSize);
    if (facts.playerFile == nullptr) {
        PROMISE(plan.playerFrom <= plan.playerTo && static_cast<uint64_t>(plan.playerTo) + 44 <= fileSize);
    }
}

// Half of the inputs become PE files with a security entry: random, or naming a certificate table
// appended behind zero bytes of random length, as a signing tool appends one.
std::string withSecurityEntry(FuzzedDataProvider &input, std::string file) {
    if (!input.ConsumeBool()) return file;
    const bool wide = input.ConsumeBool();
    const size_t pe = 0x40;
    const size_t count = pe + 24 + (wide ? 108 : 92);
    const size_t entry = count + 4 + 32;
    if (file.size() < entry + 8) file.resize(entry + 8);
    file[0] = 'M';
    file[1] = 'Z';
    file[0x3C] = static_cast<char>(pe);
    file.replace(pe, 4, std::string("PE\0\0", 4));
    file[pe + 20] = static_cast<char>(wide ? 240 : 224);
    file[pe + 24] = 0x0B;
    file[pe + 25] = static_cast<char>(wide ? 2 : 1);
    file[count] = static_cast<char>(input.ConsumeIntegralInRange(3, 16));
    uint32_t offset = input.ConsumeIntegral<uint32_t>();
    uint32_t size = input.ConsumeIntegral<uint32_t>();
    if (input.ConsumeBool()) {
        file.append(input.ConsumeIntegralInRange<size_t>(0, 9), '\0');
        offset = static_cast<uint32_t>(file.size());
        size = input.ConsumeIntegralInRange<uint32_t>(0, 64);
        file.append(size, '\x30');
    }
    for (int i = 0; i < 4; ++i) {
        file[entry + static_cast<size_t>(i)] = static_cast<char>(offset >> (8 * i));
        file[entry + 4 + static_cast<size_t>(i)] = static_cast<char>(size >> (8 * i));
    }
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string file =
        withSecurityEntry(input, input.ConsumeBytesAsString(input.ConsumeIntegralInRange<size_t>(0, 4096)));
    MemoryFile stream(file, "rb");
    if (stream.get() == nullptr) return 0;
    PayloadTrailer t = {};
    PayloadPlace place = {};
    const FileResult read = accessPayloadTrailerIn(stream.get(), &t, nullptr, &place);
    PROMISE(stream.bytes() == file);  // reading never changes the file
    // A signature counts only as a table that ends the file, aligned to 8, behind a trailer and at
    // most 7 zero bytes; the trailer is otherwise the file's last 44 bytes.
    if (read == FileResult::Ok && place.certificateSize != 0) {
        PROMISE(uint64_t{place.certificateOffset} + place.certificateSize == file.size());
        PROMISE(place.certificateOffset % 8 == 0 && place.certificateSize >= 8);
        PROMISE(place.end <= place.certificateOffset && place.certificateOffset - place.end <= 7);
        for (size_t i = place.end; i < place.certificateOffset; ++i) PROMISE(file[i] == '\0');
    } else if (read == FileResult::Ok) {
        PROMISE(place.end == file.size() && place.certificateOffset == 0);
    }
    const size_t end = read == FileResult::Ok ? place.end : file.size();
    const bool hasTrailer = end >= 44 && std::memcmp(file.data() + end - 44, "FpoW", 4) == 0;
    if (file.size() < 44) PROMISE(read == FileResult::SeekFailed);
    PROMISE((read == FileResult::Ok) == hasTrailer);
    if (!hasTrailer) return 0;
    const size_t at = end - 44;
    const uint32_t words[11] = {t.magic,       t.reserved1,   t.imageASize, t.reserved2, t.imageBSize, t.reserved3,
                                t.splash1Size, t.splash2Size, t.playerSize, t.flags,     t.reserved4};
    for (int i = 0; i < 11; ++i) PROMISE(words[i] == wordAt(file, at + 4 * static_cast<size_t>(i)));
    checkOffsets(t, static_cast<uint32_t>(end));
    checkOffsets(t, input.ConsumeIntegral<uint32_t>());
    checkPlan(input, t, static_cast<uint32_t>(end));

    // Written back over itself, the trailer reads the same and the file keeps its size.
    MemoryFile writable(file, "rb+");
    PayloadTrailer copy = t;
    PROMISE(accessPayloadTrailerIn(writable.get(), nullptr, &copy) == FileResult::Ok);
    PROMISE(writable.bytes() == file);
    return 0;
}
