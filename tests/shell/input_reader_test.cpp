#include "shell/input_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// Scripted standard input: each entry is what one read returns; "" marks end of input, and a
// read past the script times out.
std::vector<std::string> chunks;
size_t next_chunk = 0;
std::atomic<int> reads{0};

int scripted_read(char* buffer, int size, int) {
    ++reads;
    if (next_chunk >= chunks.size()) return -2;
    const std::string& chunk = chunks[next_chunk++];
    EXPECT_LE(int(chunk.size()), size);
    chunk.copy(buffer, chunk.size());
    return int(chunk.size());
}

void script(std::vector<std::string> c) {
    chunks = std::move(c);
    next_chunk = 0;
    reads = 0;
}

TEST(InputReader, SeveralLinesInOneReadAreTakenInOrder) {
    script({"isready\nucinewgame\n"});
    InputReader reader(scripted_read, false);
    EXPECT_TRUE(reader.reader_pass());
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(reader.next_line(), "isready");
    EXPECT_TRUE(reader.has_waiting_line());
    EXPECT_EQ(reader.next_line(), "ucinewgame");
    EXPECT_FALSE(reader.has_waiting_line());
}

TEST(InputReader, LineSplitAcrossReadsIsDeliveredWhole) {
    script({"posi", "tion start", "pos moves e2e4\nst", "op\n"});
    InputReader reader(scripted_read, false);
    std::string target = "unchanged";
    EXPECT_EQ(reader.poll_command(target), -1);
    EXPECT_EQ(target, "unchanged");
    EXPECT_TRUE(reader.reader_pass());
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(reader.poll_command(target), 0);
    EXPECT_EQ(target, "position startpos moves e2e4");
    EXPECT_EQ(reader.poll_command(target), -1); // "st" waits for its newline
    EXPECT_TRUE(reader.reader_pass());
    EXPECT_EQ(reader.next_line(), "stop");
}

TEST(InputReader, TrimsWhiteSpaceAndKeepsEmptyLines) {
    script({"  stop \r\n\n\t go infinite\t\x0b\f\n"});
    InputReader reader(scripted_read, false);
    reader.reader_pass();
    EXPECT_EQ(reader.next_line(), "stop");
    EXPECT_EQ(reader.next_line(), "");
    EXPECT_EQ(reader.next_line(), "go infinite");
}

TEST(InputReader, LongLineIsAssembledFromManyReads) {
    const std::string word(InputReader::ChunkSize, 'x');
    script({word, word, "xx\n"});
    InputReader reader(scripted_read, false);
    reader.reader_pass();
    EXPECT_EQ(reader.next_line(), word + word + "xx");
}

TEST(InputReader, EndOfInputDeliversTheLastLineThenFinishes) {
    script({"isready\nquit", ""});
    InputReader reader(scripted_read, false);
    EXPECT_TRUE(reader.reader_pass());
    EXPECT_FALSE(reader.input_finished());
    EXPECT_EQ(reader.next_line(), "isready");
    EXPECT_FALSE(reader.reader_pass()); // input ended
    EXPECT_FALSE(reader.input_finished());
    EXPECT_EQ(reader.next_line(), "quit");
    EXPECT_TRUE(reader.input_finished());
    EXPECT_EQ(reader.next_line(), ""); // does not block once nothing can arrive
}

TEST(InputReader, StopHandsBackEveryByteTaken) {
    script({"console\nE2", "E4\nTB"});
    InputReader reader(scripted_read, false);
    reader.reader_pass();
    EXPECT_EQ(reader.next_line(), "console");
    reader.reader_pass();
    EXPECT_EQ(reader.stop_and_take_bytes(), "E2E4\nTB");
    const int before = reads;
    EXPECT_FALSE(reader.reader_pass()); // a stopped reader reads nothing
    EXPECT_EQ(reads, before);
}

TEST(InputReader, StopAfterTheEndHandsBackTheBytesWithoutAnAddedLineEnd) {
    // Keys piped to the console: the reader may see the end of input before it is stopped. An
    // invented line end would reach the keyboard as an extra Enter.
    script({"console\n\ry", ""});
    InputReader reader(scripted_read, false);
    reader.reader_pass();
    EXPECT_EQ(reader.next_line(), "console");
    EXPECT_FALSE(reader.reader_pass());
    EXPECT_EQ(reader.stop_and_take_bytes(), "\ry");
}

TEST(InputReader, ThreadHandsLinesOverAndStopsOnRequest) {
    script({"uci\n", "isready\n", "go"});
    InputReader reader(scripted_read, true);
    EXPECT_EQ(reader.next_line(), "uci");
    EXPECT_EQ(reader.next_line(), "isready");
    // The reader stops while it waits for the rest of "go"; the partial line comes back.
    while (reads < 4) platform_sleep_ms(1);
    EXPECT_EQ(reader.stop_and_take_bytes(), "go");
    EXPECT_FALSE(reader.has_waiting_line());
}

} // namespace
