#include "console/key_input.h"

#include <cstdlib>
#include <cstring>

#include "core/output.h"
#include "platform/platform.h"

namespace {

constexpr int KeyExtended = 0; // first code of an arrow, function or editing key
constexpr int LastPrintable = 126;

int upper(int key) {
    return key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key;
}

int lower(int key) {
    return key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : key;
}

// Erases the last echoed character on screen.
void erase_one() {
    platform_write_char(KeyBackspace);
    platform_write_char(0);
    platform_write_char(KeyBackspace);
}

// The unshifted number row of a French keyboard: & é " ' ( - è _ ç à are 1 2 ... 9 0 (the
// accented letters as the keyboard's key codes).
struct FrenchDigit {
    int key;
    char digit;
};
constexpr FrenchDigit FrenchDigits[] = {
    {0x82, '2'}, {'"', '3'}, {'\'', '4'}, {'(', '5'},  {'-', '6'},
    {0x8A, '7'}, {'_', '8'}, {0x87, '9'}, {0x85, '0'}, {'&', '1'},
};

} // namespace

int console_key() {
    const int key = platform_read_key();
    if (key < 0) engine_quit();
    return key;
}

void wait_for_any_key() {
    const int key = platform_read_key();
    if (key == KeyExtended) platform_read_key();
}

int read_answer(const char* answers) {
    for (;;) {
        const int key = upper(console_key());
        if (key == KeyExtended) {
            console_key();
            continue;
        }
        if (std::strchr(answers, key) == nullptr) continue;
        platform_write_char(lower(key));
        return key;
    }
}

int read_number(int maxDigits) {
    char text[8] = {};
    int length = 0, digits = 0;
    for (;;) {
        const int key = console_key();
        if (key == KeyEnter && digits > 0) break;
        if (key == KeyBackspace) {
            if (length == 0) continue;
            if (text[--length] >= '0' && text[length] <= '9') --digits;
            erase_one();
            continue;
        }
        const bool digit = key >= '0' && key <= '9' && digits < maxDigits;
        const bool sign = (key == '-' || key == '+') && length == 0;
        if (key == KeyExtended) console_key();
        if (!digit && !sign) {
            platform_write_char(KeyBell);
            continue;
        }
        text[length++] = char(key);
        digits += digit;
        platform_write_char(key);
    }
    text[length] = 0;
    return std::atoi(text);
}

int read_text(char* text, int maxLength) {
    int length = 0;
    for (;;) {
        const int key = console_key();
        if (key == KeyEnter && length > 0) break;
        if (key == KeyBackspace) {
            if (length > 0) {
                --length;
                erase_one();
            }
            continue;
        }
        if (key == KeyExtended) console_key();
        if (key < '!' || key > LastPrintable || length >= maxLength) {
            platform_write_char(KeyBell);
            continue;
        }
        text[length++] = char(key);
        platform_write_char(key);
    }
    text[length] = 0;
    return length;
}

int move_text_char(int key) {
    for (const FrenchDigit& d : FrenchDigits)
        if (d.key == key) return d.digit;
    key = upper(key);
    if (key >= '0' && key <= '9') return key;
    if (key >= 'A' && key <= 'H') return key;
    if (std::strchr("MNPRTW", key) != nullptr && key != 0) return key;
    return 0;
}

int read_move_text(char* text) {
    int length = 0;
    for (;;) {
        const int key = console_key();
        if (key == KeyEnter) {
            if (length > 0) break;
            continue;
        }
        if (key == KeyBackspace) {
            if (length > 0) {
                --length;
                erase_one();
            }
            continue;
        }
        if (key == KeyExtended) {
            console_key();
            continue;
        }
        const int c = move_text_char(key);
        if (c == 0) continue;
        if (length >= MoveTextLength) {
            platform_write_char(KeyBell);
            continue;
        }
        text[length++] = char(c);
        platform_write_char(c);
    }
    text[length] = 0;
    return length;
}
