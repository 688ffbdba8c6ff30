// The console's key readers: answers, numbers, names and move texts, with their echo, BEL and
// Backspace handling.
#include "console/key_input.h"

#include <gtest/gtest.h>

#include <string>

#include "console/console_keys.h"

namespace {

TEST(KeyInput, NumbersWithSignsDigitLimitAndBackspace) {
    const struct {
        const char* keys;
        int maxDigits;
        int value;
        const char* echo; // "\a" BEL, "\b \b" an erased character
    } cases[] = {
        {"5\r", 3, 5, "5"},
        {"-5\r", 3, -5, "-5"},
        {"+12\r", 3, 12, "+12"},
        {"5-\r", 3, 5, "5\a"},           // a sign after a digit is refused
        {"\r-\r5\r", 3, -5, "\a-\a5"},   // Enter needs a digit, the sign alone is not one
        {"12345\r", 4, 1234, "1234\a"},  // a fifth digit is refused
        {"-123\r", 3, -123, "-123"},     // the sign is not a digit
        {"1x\b2\r", 3, 2, "1\a\b \b2"},  // Backspace forgets the digit
        {"\b7\r", 3, 7, "7"},            // nothing to erase
        {"\x1b[A9\r", 3, 9, "\a9"},      // an arrow key is refused whole
        {"-\b\b+8\r", 3, 8, "-\b \b+8"}, // after erasing the sign a sign is first again
    };
    for (const auto& c : cases) {
        give_keys(c.keys);
        testing::internal::CaptureStdout();
        const int value = read_number(c.maxDigits);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.echo) << c.keys;
        EXPECT_EQ(value, c.value) << c.keys;
        EXPECT_TRUE(keys_used_up()) << c.keys;
    }
}

TEST(KeyInput, AnswersIgnoreOtherKeysAndEchoInLowerCase) {
    const struct {
        const char* keys;
        const char* answers;
        int answer;
    } cases[] = {
        {"y", "ONY", 'Y'},      {"xqO", "ONY", 'O'}, {"\rn", "ONY", 'N'},
        {"\x1b[Hb", "WB", 'B'}, // Home arrives as 0 and 'G': both dropped, not taken as an answer
        {"n", "YON", 'N'},      {"xt", "DTFC", 'T'},
    };
    for (const auto& c : cases) {
        give_keys(c.keys);
        testing::internal::CaptureStdout();
        EXPECT_EQ(read_answer(c.answers), c.answer) << c.keys;
        const std::string echo(1, char(c.answer - 'A' + 'a'));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), echo) << c.keys;
        EXPECT_TRUE(keys_used_up()) << c.keys;
    }
}

TEST(KeyInput, NamesRefuseSpacesAndTooManyCharacters) {
    char name[20];
    give_keys("my pos\b\bos\r");
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_text(name, 19), 5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "my\apos\b \b\b \bos");
    EXPECT_STREQ(name, "mypos");

    give_keys("\r" + std::string(21, 'a') + "\r");
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_text(name, 19), 19);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\a" + std::string(19, 'a') + "\a\a"); // Enter alone, the 20th and 21st
    EXPECT_EQ(std::string(name), std::string(19, 'a'));
    EXPECT_TRUE(keys_used_up());

    give_keys("p\xC3\xA9x\r"); // an accented letter is no file-name character
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_text(name, 19), 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "p\ax");
}

TEST(KeyInput, MoveTextsFromEitherKeyboard) {
    const struct {
        std::string keys;
        const char* text;
        const char* echo;
    } cases[] = {
        {"e2e4\r", "E2E4", "E2E4"},
        {"e\xC3\xA9"
         "e\"\r",
         "E2E3", "E2E3"}, // French number row: é is 2, " is 3
        {"g&h\xC3\xA0\r", "G1H0", "G1H0"},
        {"\r tb\r", "TB", "TB"},                // Enter alone and a space are ignored
        {"e2e4e\r", "E2E4", "E2E4\a"},          // a fifth character is refused
        {"sSzZ.p\r", "P", "P"},                 // S and other letters are ignored
        {"wr\b\bbr\r", "BR", "WR\b \b\b \bBR"}, // Backspace
        {"\x1b[Ab\r", "B", "B"},                // an arrow key is ignored
    };
    for (const auto& c : cases) {
        give_keys(c.keys);
        testing::internal::CaptureStdout();
        char text[MoveTextLength + 1];
        const int length = read_move_text(text);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.echo) << c.keys;
        EXPECT_STREQ(text, c.text) << c.keys;
        EXPECT_EQ(length, int(std::string(c.text).size()));
        EXPECT_TRUE(keys_used_up()) << c.keys;
    }
}

TEST(KeyInput, FrenchNumberRowGivesEveryDigit) {
    // & é " ' ( - è _ ç à, with the accented letters as the keyboard's codes.
    const int keys[] = {'&', 0x82, '"', '\'', '(', '-', 0x8A, '_', 0x87, 0x85};
    const char digits[] = "1234567890";
    for (int i = 0; i < 10; ++i) EXPECT_EQ(move_text_char(keys[i]), digits[i]) << i;
    for (int key : {'S', 'x', 'I', 'Z', ' ', '.', '\0'}) EXPECT_EQ(move_text_char(key), 0) << key;
    for (int key : {'a', 'h', 'm', 'n', 'p', 'r', 't', 'w'})
        EXPECT_EQ(move_text_char(key), key - 'a' + 'A') << char(key);
}

} // namespace
