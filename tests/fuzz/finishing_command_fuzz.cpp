// The command lines of the helper processes: the finishing process of an install (built from any
// four paths and parsed back) and the removal helper (built from any fields and parsed back), and
// any tail parsed as either.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

#include "install/finishing_command.h"
#include "install/removal_command.h"
#include "promise.h"

namespace {

void copyInto(char *field, const std::string &text) {
    const size_t n = text.size() < PATH_CAPACITY - 1 ? text.size() : PATH_CAPACITY - 1;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

bool sameFields(const FinishingFields &a, const FinishingFields &b) {
    return std::strcmp(a.temporarySaver, b.temporarySaver) == 0 && std::strcmp(a.finalSaver, b.finalSaver) == 0 &&
           std::strcmp(a.temporaryPlayer, b.temporaryPlayer) == 0 && std::strcmp(a.finalPlayer, b.finalPlayer) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    // Anything parsed stays inside its fields.
    const std::string tail = input.ConsumeRandomLengthString(2000);
    FinishingFields parsed;
    if (parseFinishingCommandLine(tail.c_str(), &parsed)) {
        for (const char *field : {parsed.temporarySaver, parsed.finalSaver, parsed.temporaryPlayer, parsed.finalPlayer}) {
            PROMISE(std::strlen(field) < PATH_CAPACITY);
        }
    }

    RemovalFields removal;
    if (parseRemovalCommandLine(tail.c_str(), &removal)) {
        PROMISE(std::strlen(removal.saver) < PATH_CAPACITY && removal.saver[0] != '\0');
        PROMISE(removal.saverProcess != 0 && std::strchr(removal.saver, '"') == nullptr);
    }
    // Built and parsed back, the removal's fields come back whatever the path holds.
    RemovalFields asked = {input.ConsumeIntegral<uint32_t>(), input.ConsumeBool(), {}};
    copyInto(asked.saver, input.ConsumeRandomLengthString(300));
    char removalLine[FINISHING_COMMAND_CAPACITY];
    if (asked.saverProcess != 0 && asked.saver[0] != '\0' &&
        buildRemovalCommandLine("C:\\T\\Inst9757.exe", asked, removalLine, sizeof removalLine)) {
        RemovalFields back;
        PROMISE(parseRemovalCommandLine(removalLine + std::strlen("\"C:\\T\\Inst9757.exe\" "), &back));
        PROMISE(back.saverProcess == asked.saverProcess && back.quiet == asked.quiet);
        PROMISE(std::strcmp(back.saver, asked.saver) == 0);
    }

    // Built, then parsed from what the finishing process receives, the four paths come back.
    FinishingFields fields = {};
    const std::string copy = input.ConsumeRandomLengthString(300);
    copyInto(fields.temporarySaver, input.ConsumeRandomLengthString(300));
    copyInto(fields.finalSaver, input.ConsumeRandomLengthString(300));
    copyInto(fields.temporaryPlayer, input.ConsumeRandomLengthString(300));
    copyInto(fields.finalPlayer, input.ConsumeRemainingBytesAsString());
    char line[FINISHING_COMMAND_CAPACITY];
    if (!buildFinishingCommandLine(copy.c_str(), fields, line)) return 0;
    PROMISE(std::strlen(line) < FINISHING_COMMAND_CAPACITY && line[0] == '"');
    // The C runtime hands on the line without the quoted program and the blank after it.
    const char *programEnd = std::strchr(line + 1, '"');
    PROMISE(programEnd != nullptr && programEnd[1] == ' ');
    FinishingFields back;
    PROMISE(parseFinishingCommandLine(programEnd + 2, &back));
    PROMISE(sameFields(back, fields));
    return 0;
}
