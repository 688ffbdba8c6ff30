// The part of the platform layer that is the same on every system: the keyboard bytes handed over
// by the input reader, console character output and process exit. platform_posix.cpp and
// platform_windows.cpp hold the rest, one of them compiled per target.
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/keyboard.h"

namespace {

// Bytes the input reader took before the keyboard was used; read before standard input.
std::string pushed_bytes;
size_t pushed_position = 0;

} // namespace

int take_pushed_byte() {
    if (pushed_position >= pushed_bytes.size()) return -1;
    return static_cast<unsigned char>(pushed_bytes[pushed_position++]);
}

bool has_pushed_bytes() {
    return pushed_position < pushed_bytes.size();
}

void platform_push_keyboard_bytes(const char* bytes, size_t count) {
    pushed_bytes.erase(0, pushed_position);
    pushed_position = 0;
    pushed_bytes.append(bytes, count);
}

size_t platform_pushed_keyboard_bytes() {
    return pushed_bytes.size() - pushed_position;
}

void platform_write_char(int code) {
    char text[4];
    const size_t length = console_char_utf8(code, text);
    std::fwrite(text, 1, length, stdout);
    std::fflush(stdout);
}

void platform_exit(int status) {
    std::fflush(stdout);
    std::exit(status);
}
