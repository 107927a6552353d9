#include "tools/pack/registry_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>


namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string *out, uint32_t code) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | code >> 6));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | code >> 12));
        out->push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | code >> 18));
        out->push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// UTF-16 code units as UTF-8, a high surrogate kept until the unit after it tells its fate.
class Utf16ToUtf8 {
public:
    explicit Utf16ToUtf8(std::string *out) : out_(out) {}
    void unit(uint32_t value) {
        const bool low = value >= 0xDC00 && value <= 0xDFFF;
        if (high_ != 0 && low) {
            appendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (value - 0xDC00));
            high_ = 0;
            return;
        }
        flush();
        if (value >= 0xD800 && value <= 0xDBFF) {
            high_ = value;
        } else {
            appendUtf8(out_, low ? 0xFFFD : value);
        }
    }
    void byte(char c) {
        flush();
        out_->push_back(c);
    }
    void flush() {
        if (high_ != 0) appendUtf8(out_, 0xFFFD);
        high_ = 0;
    }

private:
    std::string *out_;
    uint32_t high_ = 0;
};

// Decodes the escaped text of line from `at` up to the first unescaped `end`; the position after
// it, or npos when the line ends first.
size_t readEscaped(const std::string &line, size_t at, char end, std::string *out) {
    Utf16ToUtf8 text(out);
    while (at < line.size()) {
        const char c = line[at++];
        if (c == end) {
            text.flush();
            return at;
        }
        if (c != '\\' || at == line.size()) {
            text.byte(c);
            continue;
        }
        const char escaped = line[at++];
        static const char LETTERS[] = "abefnrtv";
        static const unsigned char CODES[] = {7, 8, 27, 12, 10, 13, 9, 11};
        const char *letter = escaped != '\0' ? std::strchr(LETTERS, escaped) : nullptr;
        if (letter != nullptr) {
            text.unit(CODES[letter - LETTERS]);
        } else if (escaped == 'x' && at < line.size() && hexValue(line[at]) >= 0) {
            uint32_t value = 0;
            for (int digits = 0; digits < 4 && at < line.size() && hexValue(line[at]) >= 0; ++digits) {
                value = value * 16 + static_cast<uint32_t>(hexValue(line[at++]));
            }
            text.unit(value);
        } else if (escaped >= '0' && escaped <= '7') {
            uint32_t value = static_cast<uint32_t>(escaped - '0');
            for (int digits = 1; digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits) {
                value = value * 8 + static_cast<uint32_t>(line[at++] - '0');
            }
            text.unit(value);
        } else {
            text.byte(escaped);
        }
    }
    return std::string::npos;
}

// The data after "NAME"=: a string, str(N):"...", dword:XXXXXXXX, or another kind; false for a
// string that the line does not end.
bool readData(const std::string &line, size_t at, RegistryFileValue *value) {
    const std::string data = line.substr(at);
    if (data.compare(0, 4, "str(") == 0) {
        const size_t colon = data.find("):\"");
        if (colon == std::string::npos) return true;
        at += colon + 2;
    }
    if (at < line.size() && line[at] == '"') {
        value->kind = RegistryFileValue::Kind::String;
        return readEscaped(line, at + 1, '"', &value->text) != std::string::npos;
    }
    if (data.compare(0, 6, "dword:") != 0 || data.size() == 6 || hexValue(data[6]) < 0) return true;
    uint32_t number = 0;
    for (size_t i = 6; i < data.size() && i < 14 && hexValue(data[i]) >= 0; ++i) {
        number = number * 16 + static_cast<uint32_t>(hexValue(data[i]));
    }
    value->kind = RegistryFileValue::Kind::Number;
    value->number = number;
    return true;
}

const RegistryFileValue *valueNamed(const RegistryFileKey &key, const std::string &name) {
    for (const RegistryFileValue &value : key.values) {
        if (lower(value.name) == lower(name)) return &value;
    }
    return nullptr;
}

std::string stringNamed(const RegistryFileKey &key, const char *name) {
    const RegistryFileValue *value = valueNamed(key, name);
    return value != nullptr && value->kind == RegistryFileValue::Kind::String ? value->text : "";
}

}  // namespace

std::string programEntryKey(const ProgramEntry &entry) {
    return entry.root + "\\" + UNINSTALL_KEY + "\\" + entry.name;
}

std::string uninstalledFile(const ProgramEntry &entry) {
    const std::string &line = entry.uninstallString;
    const size_t open = line.find('"');
    const size_t close = open == std::string::npos ? std::string::npos : line.find('"', open + 1);
    if (close != std::string::npos) return line.substr(open + 1, close - open - 1);
    return line.substr(0, line.find(" /"));
}

std::vector<RegistryFileKey> parseRegistryFile(const std::string &text) {
    std::vector<RegistryFileKey> keys;
    bool inKey = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') {
            RegistryFileKey key;
            inKey = readEscaped(line, 1, ']', &key.path) != std::string::npos;
            if (inKey) keys.push_back(key);
            continue;
        }
        if (!inKey || (line[0] != '"' && line[0] != '@')) continue;
        RegistryFileValue value;
        const size_t at = line[0] == '@' ? 1 : readEscaped(line, 1, '"', &value.name);
        if (at == std::string::npos || at >= line.size() || line[at] != '=') continue;
        if (readData(line, at + 1, &value)) keys.back().values.push_back(value);
    }
    return keys;
}

void programEntriesOfRegistryFile(const std::vector<RegistryFileKey> &keys, const std::string &root,
                                  std::vector<ProgramEntry> *entries) {
    const std::string list = lower(UNINSTALL_KEY) + "\\";
    for (const RegistryFileKey &key : keys) {
        if (lower(key.path.substr(0, list.size())) != list) continue;
        const std::string name = key.path.substr(list.size());
        if (name.empty() || name.find('\\') != std::string::npos) continue;
        ProgramEntry entry;
        entry.root = root;
        entry.name = name;
        entry.displayName = stringNamed(key, "DisplayName");
        entry.uninstallString = stringNamed(key, "UninstallString");
        entry.lumivex = valueNamed(key, PREVIOUS_SAVER_VALUE) != nullptr;
        entries->push_back(entry);
    }
}

bool registryValue(const std::vector<RegistryFileKey> &keys, const std::string &name, std::string *value) {
    for (const RegistryFileKey &key : keys) {
        const RegistryFileValue *found = valueNamed(key, name);
        if (found == nullptr || found->kind == RegistryFileValue::Kind::Other) continue;
        *value = found->kind == RegistryFileValue::Kind::String ? found->text : std::to_string(found->number);
        return true;
    }
    return false;
}

bool registryFileValue(const std::string &text, const std::string &name, std::string *value) {
    return registryValue(parseRegistryFile(text), name, value);
}

void keepPolicyValue(const std::string &root, const std::string &name, const std::string &text,
                     ScreenSaverPolicies *policies) {
    PolicyValue *const values[] = {&policies->active, &policies->saver, &policies->timeout, &policies->secure};
    for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
        if (lower(name) != lower(SCREEN_SAVER_POLICY_VALUES[i]) || values[i]->found) continue;
        values[i]->found = true;
        values[i]->root = root;
        values[i]->text = text;
    }
}

void policiesOfRegistryFile(const std::vector<RegistryFileKey> &keys, const std::string &root,
                            ScreenSaverPolicies *policies) {
    policies->reading = ScreenSaverPolicies::Reading::Read;
    for (const RegistryFileKey &key : keys) {
        if (lower(key.path) != lower(SCREEN_SAVER_POLICY_KEY)) continue;
        for (const RegistryFileValue &value : key.values) {
            if (value.kind == RegistryFileValue::Kind::Other) continue;
            keepPolicyValue(root, value.name,
                            value.kind == RegistryFileValue::Kind::String ? value.text : std::to_string(value.number),
                            policies);
        }
    }
}
