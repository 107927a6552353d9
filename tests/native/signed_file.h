// Files as a signing tool (signtool, osslsigncode) leaves them: zero bytes that align the end to 8,
// the certificate table, and the PE header's security entry naming it beside a new checksum.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "temp_dir.h"

inline void putWord(std::vector<unsigned char> &bytes, size_t at, uint32_t word) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<unsigned char>(word >> (8 * i));
}

// How a test file is made (peFile) and signed (signFile); a row changes what a tool would write.
struct Signing {
    uint16_t magic = 0x10B;         // PE32; 0x20B is PE32+
    uint32_t directories = 16;      // data directories the optional header counts
    uint32_t bodySize = 1000;       // the file before anything is appended (its header included)
    uint32_t tableSize = 1480;      // the certificate table; 0: unsigned, the entry is zero
    int64_t entryOffset = -1;       // -1: where the table starts
    int64_t entrySize = -1;         // -1: the table's size
    uint32_t trailingBytes = 0;     // bytes appended after the table (a copy grown on the way)
    unsigned char paddingByte = 0;  // the alignment's bytes
};

// bodySize bytes of a pattern with a PE header at 0x80 whose security entry and checksum are zero.
inline std::vector<unsigned char> peFile(const Signing &how) {
    std::vector<unsigned char> bytes = TempDirTest::pattern(how.bodySize);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    const size_t pe = 0x80;
    putWord(bytes, 0x3C, pe);
    std::fill(bytes.begin() + pe, bytes.begin() + pe + 24 + 240, 0);
    std::memcpy(bytes.data() + pe, "PE\0\0", 4);
    const bool wide = how.magic == 0x20B;
    bytes[pe + 20] = wide ? 240 : 224;  // SizeOfOptionalHeader
    bytes[pe + 24] = static_cast<unsigned char>(how.magic);
    bytes[pe + 25] = static_cast<unsigned char>(how.magic >> 8);
    putWord(bytes, pe + 24 + (wide ? 108 : 92), how.directories);
    return bytes;
}

// The bytes of a PE file (whose DOS header points to its PE header) signed as `how` says: the
// alignment, the table of tableSize bytes, then the entry and the checksum (0x1234) written.
inline std::vector<unsigned char> signFile(std::vector<unsigned char> bytes, const Signing &how = Signing()) {
    const size_t pe = bytes[0x3C] | bytes[0x3D] << 8;
    const bool wide = bytes[pe + 24] == 0x0B && bytes[pe + 25] == 0x02;
    const size_t entry = pe + 24 + (wide ? 108 : 92) + 4 + 4 * 8;  // behind the count, the fifth directory
    putWord(bytes, pe + 24 + 64, 0x1234);                          // CheckSum
    while (bytes.size() % 8 != 0) bytes.push_back(how.paddingByte);
    const size_t table = bytes.size();
    bytes.resize(table + how.tableSize, 0x30);
    bytes.resize(bytes.size() + how.trailingBytes, 0x31);
    putWord(bytes, entry, static_cast<uint32_t>(how.entryOffset < 0 ? table : how.entryOffset));
    putWord(bytes, entry + 4, static_cast<uint32_t>(how.entrySize < 0 ? how.tableSize : how.entrySize));
    return bytes;
}
