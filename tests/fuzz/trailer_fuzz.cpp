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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string file = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<size_t>(0, 4096));
    MemoryFile stream(file, "rb");
    if (stream.get() == nullptr) return 0;
    PayloadTrailer t = {};
    const FileResult read = accessPayloadTrailerIn(stream.get(), &t, nullptr);
    PROMISE(stream.bytes() == file);  // reading never changes the file
    const bool hasTrailer = file.size() >= 44 && std::memcmp(file.data() + file.size() - 44, "FpoW", 4) == 0;
    if (file.size() < 44) PROMISE(read == FileResult::SeekFailed);
    PROMISE((read == FileResult::Ok) == hasTrailer);
    if (!hasTrailer) return 0;
    const size_t at = file.size() - 44;
    const uint32_t words[11] = {t.magic,       t.reserved1,   t.imageASize, t.reserved2, t.imageBSize, t.reserved3,
                                t.splash1Size, t.splash2Size, t.playerSize, t.flags,     t.reserved4};
    for (int i = 0; i < 11; ++i) PROMISE(words[i] == wordAt(file, at + 4 * static_cast<size_t>(i)));
    checkOffsets(t, static_cast<uint32_t>(file.size()));
    checkOffsets(t, input.ConsumeIntegral<uint32_t>());
    checkPlan(input, t, static_cast<uint32_t>(file.size()));

    // Written back over itself, the trailer reads the same and the file keeps its size.
    MemoryFile writable(file, "rb+");
    PayloadTrailer copy = t;
    PROMISE(accessPayloadTrailerIn(writable.get(), nullptr, &copy) == FileResult::Ok);
    PROMISE(writable.bytes() == file);
    return 0;
}
