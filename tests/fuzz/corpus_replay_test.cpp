// Every input kept in the fuzzing corpora, the seeds and the crashes the fuzzers found, replayed
// through its harness in the ordinary build: a mended fault stays mended on every build, the
// sanitizer build included.
#include "fuzz/fuzz_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "book/book.h"
#include "shell/startup.h"

namespace {

using Harness = const char* (*)(const uint8_t*, size_t);

std::vector<std::filesystem::path> corpus_files(const char* surface) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path directory = std::filesystem::path(TALVOR_FUZZ_CORPUS) / surface;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const char* surface, Harness harness) {
    const std::vector<std::filesystem::path> files = corpus_files(surface);
    ASSERT_FALSE(files.empty()) << "no corpus for " << surface;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        testing::internal::CaptureStdout();
        const char* problem = harness(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(problem, nullptr)
            << file.filename() << ": " << (problem != nullptr ? problem : "");
    }
    // The harnesses leave a scratch book and the last input's game behind.
    install_book_settings();
    reset_engine_state();
}

TEST(FuzzCorpus, UciLines) {
    replay("uci_line", fuzz_uci_lines);
}

TEST(FuzzCorpus, Fens) {
    replay("fen", fuzz_fen);
}

TEST(FuzzCorpus, PositionFiles) {
    replay("position_file", fuzz_position_file);
}

TEST(FuzzCorpus, BookTexts) {
    replay("book_text", fuzz_book_text);
}

} // namespace
