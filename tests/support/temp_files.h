// Test helpers: files of one test process in the temporary directory, and reading them back.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

// A path in the test temporary directory: the prefix, the process id and the leaf name.
inline std::string temp_path(const char* prefix, const char* leaf) {
    return std::string(::testing::TempDir()) + prefix + std::to_string(getpid()) + "_" + leaf;
}

// The bytes of a file, empty when it cannot be read.
inline std::string read_file(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}
