// Keyboard helpers shared by the POSIX and Windows implementations: the key decoder that turns the
// bytes of a terminal or a pipe into the key codes of the console dialogue, and the bytes that the
// input reader handed over. Internal to src/platform/.
#pragma once

#include <cstddef>

// Byte source of the decoder: returns the next byte (0..255) or -1 at end of input; with
// wait_ms >= 0 it returns -2 when no byte arrives within that time.
using KeyByteSource = int (*)(int wait_ms);

// Decodes one key from source: UTF-8 letters become their keyboard codes, CR, LF and CR LF become
// 13, DEL becomes 8, ESC [ x sequences become 0 followed by the extended code. -1 at end of input.
int decode_key(KeyByteSource source);
// True when the decoder holds the second code of an extended key.
bool decoder_has_pending_code();
// Forgets any pending decoder state (tests).
void reset_key_decoder();
// UTF-8 text of a console character code (see platform_write_char); writes at most 3 bytes.
size_t console_char_utf8(int code, char* out);

// Next byte given by platform_push_keyboard_bytes, or -1 when none is left.
int take_pushed_byte();
bool has_pushed_bytes();
