// The command-line switches of any tail.
#include <cstring>
#include <string>

#include "entry/mode.h"
#include "promise.h"
#include "startup/switches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string tail(reinterpret_cast<const char *>(data), size);
    const char *text = tail.c_str();  // up to the first NUL, as the system hands it on
    CommandSwitches switches;
    parseCommandSwitches(text, &switches);
    PROMISE(switches.finish == (std::strstr(text, "/r") != nullptr));
    PROMISE(switches.settings == (std::strstr(text, "/c") != nullptr));
    PROMISE(switches.saver == (std::strstr(text, "/s") != nullptr));
    PROMISE(switches.preview == (std::strstr(text, "/p") != nullptr));
    PROMISE(switches.changePassword == (std::strstr(text, "/a") != nullptr));
    PROMISE(switches.quiet == (std::strstr(text, "/q") != nullptr));
    const char *z = std::strstr(text, "/z");
    PROMISE(switches.playerFile == (z != nullptr ? z + 2 : nullptr));

    // The mode follows the table's rows in order.
    ModeFacts facts = {switches, size % 2 == 0, size % 5 == 0, text,
                       size % 3 == 0 ? FileResult::Ok : FileResult::ShortWrite};
    const EngineMode mode = chooseMode(facts);
    if (switches.finish) PROMISE(mode == EngineMode::Finish);
    if (!switches.finish && switches.preview) PROMISE(mode == EngineMode::Preview || mode == EngineMode::NoPreview);
    if (mode == EngineMode::Preview) PROMISE(facts.previewWindow && facts.trailer == FileResult::Ok);
    if (!switches.finish && !switches.preview && !facts.admitted) PROMISE(mode == EngineMode::Refused);
    if (mode == EngineMode::Install) PROMISE(!switches.saver && !switches.settings && !switches.preview);
    PROMISE(joinsInstanceCount(switches) == (!switches.finish && !switches.preview));

    // A window number is only ever read after its switch, and reads back as written.
    for (const char *name : {"/p", "/c"}) {
        const uint32_t number = windowNumberAfter(text, name);
        const char *at = std::strstr(text, name);
        if (at == nullptr) PROMISE(number == 0);
        if (number != 0) {
            const char *digits = at + 2;
            while (*digits == ':' || *digits == ' ' || *digits == '\t') ++digits;
            PROMISE(std::to_string(number) == std::string(digits, std::strspn(digits, "0123456789")) ||
                    digits[0] == '0');
        }
    }
    return 0;
}
