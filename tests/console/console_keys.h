// Helpers of the console tests: keys given to the keyboard layer as a terminal or a pipe would
// send them, and the console's output captured.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/keyboard.h"
#include "platform/platform.h"

// The keys the next readers take (bytes as a pipe carries them: "\r" is Enter, "\b" Backspace,
// UTF-8 for accented letters), after any keys still unread. Every test gives exactly the keys its
// readers need: once they are used up the keyboard would read the test's own standard input.
inline void give_keys(const std::string& bytes) {
    reset_key_decoder();
    platform_push_keyboard_bytes(bytes.data(), bytes.size());
}

// True when every key given has been read.
inline bool keys_used_up() {
    return platform_pushed_keyboard_bytes() == 0 && !decoder_has_pending_code();
}
