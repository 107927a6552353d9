// A temporary directory per test, removed with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TempDirTest : public ::testing::Test {
public:
    void SetUp() override {
        char pattern[] = "/tmp/lumivex-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string &name) const { return (dir_ / name).string(); }

    std::string writeFile(const std::string &name, const std::vector<unsigned char> &bytes) const {
        const std::string file = path(name);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    static std::vector<unsigned char> readFile(const std::string &file) {
        std::ifstream in(file, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Bytes 0, 1, 2, ... of the given length, wrapping at 251 so no run looks like a trailer.
    static std::vector<unsigned char> pattern(size_t length) {
        std::vector<unsigned char> bytes(length);
        for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<unsigned char>(i % 251);
        return bytes;
    }

private:
    std::filesystem::path dir_;
};
