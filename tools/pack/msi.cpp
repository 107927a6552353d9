#include "tools/pack/msi.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/pack/assemble.h"
#include "tools/pack/saver_files.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// The namespace of every saver's upgrade code; never to change, or upgrades stop finding the
// versions installed before.
const unsigned char UPGRADE_NAMESPACE[16] = {0x03, 0x38, 0x31, 0x64, 0x23, 0xb0, 0x40, 0xb2,
                                             0x92, 0xc6, 0xe4, 0xf2, 0x48, 0xf7, 0x02, 0xac};

uint32_t rotate(uint32_t value, int bits) { return value << bits | value >> (32 - bits); }

std::string formatGuid(const unsigned char bytes[16]) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += HEX[bytes[i] >> 4];
        text += HEX[bytes[i] & 15];
    }
    return text + "}";
}

// The text with the characters XML gives a meaning escaped, for an attribute value.
std::string xml(const std::string &text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// One argument of a command line for the system's shell.
std::string quoted(const std::string &argument) {
#ifdef _WIN32
    return "\"" + argument + "\"";
#else
    std::string out = "'";
    for (char c : argument) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
#endif
}

// The exit code of a command line run through std::system, or -1 when it did not run.
int runCommand(const std::string &command) {
#ifdef _WIN32
    // cmd.exe takes away the first and the last quote of a line that starts with one.
    return std::system(("\"" + command + "\"").c_str());
#else
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace

std::string checkMsiVersion(const std::string &version) {
    const std::string problem = "--version '" + version +
                                "': give three numbers a.b.c, a and b at most 255, c at most 65535, as Windows "
                                "Installer compares them";
    const unsigned long limits[] = {255, 255, 65535};
    size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        size_t end = at;
        while (end < version.size() && version[end] >= '0' && version[end] <= '9') ++end;
        if (end == at || end - at > 5) return problem;
        if (std::strtoul(version.substr(at, end - at).c_str(), nullptr, 10) > limits[part]) return problem;
        if (part < 2 && (end >= version.size() || version[end] != '.')) return problem;
        at = end + 1;
        if (part == 2 && end != version.size()) return problem;
    }
    return "";
}

std::string sha1(const std::string &bytes) {
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string message = bytes;
    const uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    message += '\x80';
    while (message.size() % 64 != 56) message += '\0';
    for (int i = 7; i >= 0; --i) message += static_cast<char>(bits >> (8 * i));
    for (size_t block = 0; block < message.size(); block += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const auto *p = reinterpret_cast<const unsigned char *>(message.data() + block + 4 * i);
            w[i] = static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                   static_cast<uint32_t>(p[2]) << 8 | p[3];
        }
        for (int i = 16; i < 80; ++i) w[i] = rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            const uint32_t f = i < 20   ? (b & c) | (~b & d)
                               : i < 40 ? b ^ c ^ d
                               : i < 60 ? (b & c) | (b & d) | (c & d)
                                        : b ^ c ^ d;
            const uint32_t k = i < 20 ? 0x5A827999 : i < 40 ? 0x6ED9EBA1 : i < 60 ? 0x8F1BBCDC : 0xCA62C1D6;
            const uint32_t next = rotate(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rotate(b, 30);
            b = a;
            a = next;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
    }
    std::string digest;
    for (uint32_t word : h) {
        for (int i = 3; i >= 0; --i) digest += static_cast<char>(word >> (8 * i));
    }
    return digest;
}

std::string upgradeCodeFor(const std::string &name) {
    std::string input(reinterpret_cast<const char *>(UPGRADE_NAMESPACE), 16);
    for (char c : name) input += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    const std::string digest = sha1(input);
    unsigned char uuid[16];
    std::memcpy(uuid, digest.data(), 16);
    uuid[6] = static_cast<unsigned char>((uuid[6] & 0x0F) | 0x50);  // version 5
    uuid[8] = static_cast<unsigned char>((uuid[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    return formatGuid(uuid);
}

std::string normalizeGuid(const std::string &text) {
    std::string hex = text;
    if (hex.size() == 38 && hex.front() == '{' && hex.back() == '}') hex = hex.substr(1, 36);
    if (hex.size() != 36) return "";
    unsigned char bytes[16];
    size_t at = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            if (hex[at++] != '-') return "";
        }
        unsigned value = 0;
        for (int digit = 0; digit < 2; ++digit) {
            const char c = hex[at++];
            const int nibble = c >= '0' && c <= '9'   ? c - '0'
                               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : -1;
            if (nibble < 0) return "";
            value = value << 4 | static_cast<unsigned>(nibble);
        }
        bytes[i] = static_cast<unsigned char>(value);
    }
    return formatGuid(bytes);
}

std::string msiSource(const MsiPackage &p) {
    const std::string product = xml(p.name + " (screen saver)");
    const std::string publisher = xml(p.publisher.empty() ? "Lumivex" : p.publisher);
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
        << "  <Product Id=\"*\" Name=\"" << product << "\" Language=\"1033\" Version=\"" << xml(p.version)
        << "\" Manufacturer=\"" << publisher << "\" UpgradeCode=\"" << p.upgradeCode << "\">\n"
        << "    <Package InstallerVersion=\"200\" Compressed=\"yes\" InstallScope=\"perMachine\" Description=\""
        << product << "\"/>\n"
        << "    <Media Id=\"1\" Cabinet=\"saver.cab\" EmbedCab=\"yes\"/>\n"
        << "    <MajorUpgrade DowngradeErrorMessage=\"A newer version of " << xml(p.name)
        << " is already installed.\"/>\n"
        << "    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>\n"
        << "    <Property Id=\"ARPNOREPAIR\" Value=\"1\"/>\n"
        << "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n"
        << "      <Directory Id=\"WindowsFolder\">\n"
        << "        <Component Id=\"Saver\" Guid=\"*\">\n"
        << "          <File Id=\"SaverFile\" Name=\"" << xml(p.name) << ".scr\" Source=\"" << xml(p.saverSource)
        << "\" KeyPath=\"yes\"/>\n"
        << "        </Component>\n"
        << "        <Component Id=\"Player\" Guid=\"*\">\n"
        << "          <File Id=\"PlayerFile\" Name=\"" << xml(p.name) << ".exe\" Source=\"" << xml(p.playerSource)
        << "\" KeyPath=\"yes\"/>\n"
        << "        </Component>\n"
        << "      </Directory>\n"
        << "    </Directory>\n"
        << "    <Feature Id=\"Saver\" Level=\"1\">\n"
        << "      <ComponentRef Id=\"Saver\"/>\n"
        << "      <ComponentRef Id=\"Player\"/>\n"
        << "    </Feature>\n"
        << "  </Product>\n"
        << "</Wix>\n";
    return out.str();
}

std::string findOnPath(const std::string &program) {
    const char *path = std::getenv("PATH");
#ifdef _WIN32
    const char separator = ';';
    const char *const endings[] = {".exe", ""};
#else
    const char separator = ':';
    const char *const endings[] = {""};
#endif
    std::string rest = path == nullptr ? "" : path;
    while (!rest.empty()) {
        const size_t end = rest.find(separator);
        const std::string directory = rest.substr(0, end);
        rest = end == std::string::npos ? "" : rest.substr(end + 1);
        if (directory.empty()) continue;
        for (const char *ending : endings) {
            const std::string candidate = directory + "/" + program + ending;
            std::error_code ignored;
            if (!std::filesystem::is_regular_file(candidate, ignored)) continue;
#ifndef _WIN32
            if (access(candidate.c_str(), X_OK) != 0) continue;
#endif
            return candidate;
        }
    }
    return "";
}

int buildMsi(const MsiPackage &package, const std::string &output, std::string *error) {
    const std::string partial = output + ".partial";
    {
        std::ofstream probe(partial, std::ios::binary | std::ios::trunc);
        if (!probe) {
            *error = "-o " + output + ": cannot be written: " + std::strerror(errno);
            return 1;
        }
    }
    std::remove(partial.c_str());
    const std::string wixl = findOnPath("wixl");
    if (wixl.empty()) {
        *error = WIXL_MISSING;
        return 1;
    }
    const std::string work = makeTemporaryDirectory(error);
    if (work.empty()) return 1;
    // wixl takes a Source relative to the .wxs file's directory: the files go beside it.
    const std::string source = work + "/saver.wxs", log = work + "/wixl.log";
    MsiPackage copied = package;
    copied.saverSource = "saver.scr";
    copied.playerSource = "player.exe";
    std::error_code failed;
    if (!std::filesystem::copy_file(package.saverSource, work + "/" + copied.saverSource, failed) ||
        !std::filesystem::copy_file(package.playerSource, work + "/" + copied.playerSource, failed)) {
        *error = "cannot copy the saver's files into " + work + ": " + failed.message();
        std::filesystem::remove_all(work, failed);
        return 1;
    }
    std::ofstream(source, std::ios::binary) << msiSource(copied);
    const int code =
        runCommand(quoted(wixl) + " -o " + quoted(partial) + " " + quoted(source) + " >" + quoted(log) + " 2>&1");
    std::string told;
    readWholeFile(log, &told);
    std::filesystem::remove_all(work, failed);
    if (code != 0) {
        std::remove(partial.c_str());
        while (!told.empty() && (told.back() == '\n' || told.back() == '\r')) told.pop_back();
        *error = "wixl failed (exit code " + std::to_string(code) + ")" + (told.empty() ? "" : ": " + told);
        return 1;
    }
    std::remove(output.c_str());
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        *error = "-o " + output + ": cannot be written: " + std::strerror(errno);
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
