#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "core/random.h"
#include "platform/keyboard.h"

namespace {

// Scripted byte source for the key decoder.
std::string script;
size_t script_position = 0;

int script_byte(int) {
    if (script_position >= script.size()) return -1;
    return static_cast<unsigned char>(script[script_position++]);
}

std::vector<int> decode_all(const std::string& bytes) {
    script = bytes;
    script_position = 0;
    reset_key_decoder();
    std::vector<int> keys;
    for (int key = decode_key(script_byte); key >= 0; key = decode_key(script_byte))
        keys.push_back(key);
    return keys;
}

TEST(KeyDecoder, TranslatesTerminalBytesIntoKeyCodes) {
    const struct {
        std::string bytes;
        std::vector<int> keys;
    } cases[] = {
        {"e2\n", {'e', '2', 13}},
        {"a\r\nb\rc", {'a', 13, 'b', 13, 'c'}},
        {"\n\n", {13, 13}},
        {"\xC3\xA9\xC3\xA8\xC3\xA7\xC3\xA0", {0x82, 0x8A, 0x87, 0x85}},
        {"x\x7F", {'x', 8}},
        {"\x1B[A\x1B[3~z", {0, 72, 0, 83, 'z'}},
        {"\xE2\x82\xAC"
         "a",
         {'a'}}, // a character without a key code is dropped
    };
    for (const auto& c : cases) EXPECT_EQ(decode_all(c.bytes), c.keys) << c.bytes;
}

TEST(KeyDecoder, EscapeSequencesGiveTheConsolesCodesOrNothing) {
    // A terminal's function and editing keys give the codes of a Windows console; a sequence of
    // a key it has none for is no key at all (it once gave 83, which the search read as S).
    const struct {
        std::string bytes;
        std::vector<int> keys;
    } cases[] = {
        {"\x1B[H\x1BOH\x1B[1~\x1B[7~", {0, 71, 0, 71, 0, 71, 0, 71}},   // Home
        {"\x1B[F\x1BOF\x1B[4~\x1B[8~", {0, 79, 0, 79, 0, 79, 0, 79}},   // End
        {"\x1B[2~\x1B[3~\x1B[5~\x1B[6~", {0, 82, 0, 83, 0, 73, 0, 81}}, // Ins Del PgUp PgDn
        {"\x1BOP\x1BOS\x1B[15~\x1B[21~", {0, 59, 0, 62, 0, 63, 0, 68}}, // F1 F4 F5 F10
        {"\x1B[23~\x1B[24~", {0, 133, 0, 134}},                         // F11 F12
        {"\x1B[1;5A\x1B[1;2P", {0, 72, 0, 59}},                         // with modifiers
        {"\x1B[200~x\x1B[Zy\x1B[99~z", {'x', 'y', 'z'}},                // unknown: dropped
        {"\x1B[", {}},                                                  // cut short
    };
    for (const auto& c : cases) EXPECT_EQ(decode_all(c.bytes), c.keys) << c.bytes.substr(1);
}

TEST(ConsoleOutput, AccentedCodesAreWrittenAsUtf8) {
    const struct {
        int code;
        std::string text;
    } cases[] = {{'A', "A"},         {0x82, "\xC3\xA9"}, {0xE9, "\xC3\xA9"},     {0x8A, "\xC3\xA8"},
                 {0xE0, "\xC3\xA0"}, {0x87, "\xC3\xA7"}, {0xB2, "\xE2\x96\x93"}, {0, " "}};
    for (const auto& c : cases) {
        char out[4];
        const size_t length = console_char_utf8(c.code, out);
        EXPECT_EQ(std::string(out, length), c.text) << c.code;
    }
}

TEST(Random, FollowsTheLinearCongruentialSequence) {
    random_seed(1);
    EXPECT_EQ(random_draw(), 41);
    EXPECT_EQ(random_draw(), 18467);
    EXPECT_EQ(random_draw(), 6334);
    random_seed(12345);
    uint32_t state = 12345;
    for (int i = 0; i < 1000; ++i) {
        state = state * 214013u + 2531011u;
        const int draw = random_draw();
        ASSERT_EQ(draw, int((state >> 16) & 0x7FFF));
        ASSERT_LE(draw, 32767);
    }
}

TEST(Platform, FilesRoundTripWithoutTranslation) {
    const std::string name = testing::TempDir() + "talvor_platform_file.bin";
    const char data[] = "line\r\nnext\n\0end";
    int handle = platform_create_file(name.c_str());
    ASSERT_GE(handle, 0);
    EXPECT_EQ(platform_write(handle, data, sizeof(data)), int(sizeof(data)));
    platform_close(handle);
    handle = platform_create_file(name.c_str()); // truncates
    EXPECT_EQ(platform_write(handle, "ab", 2), 2);
    platform_close(handle);

    handle = platform_open_read(name.c_str());
    ASSERT_GE(handle, 0);
    char buffer[64];
    EXPECT_EQ(platform_read(handle, buffer, sizeof(buffer)), 2);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    platform_close(handle);
    std::remove(name.c_str());
    EXPECT_EQ(platform_open_read(name.c_str()), -1);
}

TEST(Platform, CreatedFilesFollowTheUsersUmask) {
    // A game record or a rewritten book is a document like any other: readable by others when
    // the user's umask allows it, not owner-only.
    const std::string name = testing::TempDir() + "talvor_platform_mode.txt";
    std::remove(name.c_str());
    const mode_t saved = umask(022);
    const int handle = platform_create_file(name.c_str());
    umask(saved);
    ASSERT_GE(handle, 0);
    platform_close(handle);
    struct stat status = {};
    ASSERT_EQ(stat(name.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    std::remove(name.c_str());
}

TEST(Platform, ClockSleepAndThread) {
    int64_t s0, s1;
    int ms0, ms1;
    platform_wall_clock(&s0, &ms0);
    platform_sleep_ms(30);
    platform_wall_clock(&s1, &ms1);
    const int64_t elapsed = (s1 - s0) * 1000 + (ms1 - ms0);
    EXPECT_GE(elapsed, 25);
    EXPECT_LT(elapsed, 2000);
    EXPECT_GE(ms0, 0);
    EXPECT_LT(ms0, 1000);

    static std::atomic<int> value{0};
    static int seven = 7;
    ASSERT_TRUE(platform_start_thread([](void* p) { value.store(*static_cast<int*>(p)); }, &seven));
    for (int i = 0; i < 2000 && value.load() != 7; ++i) platform_sleep_ms(1);
    EXPECT_EQ(value.load(), 7);
}

} // namespace

namespace {

TEST(Keyboard, BytesTakenByTheReaderAreReadFirst) {
    reset_key_decoder();
    const std::string taken = "E\xC3\xA9"
                              "1\n";
    platform_push_keyboard_bytes(taken.data(), taken.size());
    EXPECT_TRUE(platform_key_waiting());
    EXPECT_EQ(platform_read_key(), 'E');
    EXPECT_EQ(platform_read_key(), 0x82);
    EXPECT_EQ(platform_read_key(), '1');
    EXPECT_EQ(platform_read_key(), 13);
}

} // namespace
