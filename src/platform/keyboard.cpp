#include "platform/keyboard.h"

namespace {

int pending_code = -1;    // second code of an extended key
bool last_was_cr = false; // a CR was returned as Enter; a following LF belongs to it
constexpr int EscapeWaitMs = 10;

struct CodePair {
    unsigned codepoint;
    int key;
};

// Letters of a French keyboard and their key codes (the console's OEM code page).
constexpr CodePair KeyCodes[] = {
    {0xE9, 0x82}, {0xE8, 0x8A}, {0xE7, 0x87}, {0xE0, 0x85}, {0xF9, 0x97}, {0xE2, 0x83},
    {0xEA, 0x88}, {0xEB, 0x89}, {0xEE, 0x8C}, {0xEF, 0x8B}, {0xF4, 0x93}, {0xFB, 0x96},
    {0xFC, 0x81}, {0xC9, 0x90}, {0xB2, 0xFD}, {0xA7, 0xF5}, {0xB0, 0xF8}, {0xA3, 0x9C},
};

// Codes of the keys a terminal sends as escape sequences: those a Windows console gives after
// its 0 (arrows, Home, End, Insert, Delete, Page Up and Down, F1-F12). -1 for a sequence of any
// other key, which is no key at all: it must not turn into a letter (83, Delete's code, is S).
int final_letter_code(int final_byte) {
    switch (final_byte) {
    case 'A': return 72; // up
    case 'B': return 80; // down
    case 'C': return 77; // right
    case 'D': return 75; // left
    case 'H': return 71; // home
    case 'F': return 79; // end
    case 'P': return 59; // F1 (ESC O P, ESC [ 1 ; 2 P ...)
    case 'Q': return 60; // F2
    case 'R': return 61; // F3
    case 'S': return 62; // F4
    default: return -1;
    }
}

// ESC [ n ~: the editing keys and the function keys by number.
int tilde_code(int number) {
    switch (number) {
    case 1:
    case 7: return 71; // home
    case 2: return 82; // insert
    case 3: return 83; // delete
    case 4:
    case 8: return 79; // end
    case 5: return 73; // page up
    case 6: return 81; // page down
    case 11:
    case 12:
    case 13:
    case 14:
    case 15: return 59 + number - 11; // F1-F5
    case 17:
    case 18:
    case 19:
    case 20:
    case 21: return 64 + number - 17; // F6-F10
    case 23: return 133;              // F11
    case 24: return 134;              // F12
    default: return -1;
    }
}

// After ESC: a lone Escape (27), 0 with the extended code pending, or -2 for a sequence that
// names no key the dialogue knows (it is dropped whole).
int read_escape(KeyByteSource source) {
    const int second = source(EscapeWaitMs);
    if (second != '[' && second != 'O') return 27; // a lone Escape (a following byte is lost)
    int number = -1;                               // the first parameter, -1 when none
    bool first = true;
    int b = source(EscapeWaitMs);
    while (b >= 0 && (b == ';' || (b >= '0' && b <= '9'))) {
        if (b == ';')
            first = false;
        else if (first)
            number = (number < 0 ? 0 : number * 10) + (b - '0');
        b = source(EscapeWaitMs);
    }
    const int code = b == '~' ? tilde_code(number) : b >= 0 ? final_letter_code(b) : -1;
    if (code < 0) return -2;
    pending_code = code;
    return 0;
}

int read_utf8(int lead, KeyByteSource source) {
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    unsigned codepoint = unsigned(lead) & (0x3Fu >> extra);
    for (int i = 0; i < extra; ++i) {
        const int b = source(-1);
        if (b < 0) return -1;
        if ((b & 0xC0) != 0x80) return b; // broken sequence: keep the byte that broke it
        codepoint = (codepoint << 6) | unsigned(b & 0x3F);
    }
    for (const CodePair& pair : KeyCodes)
        if (pair.codepoint == codepoint) return pair.key;
    return -2; // a character the dialogue has no code for: ignored
}

} // namespace

int decode_key(KeyByteSource source) {
    if (pending_code >= 0) {
        const int code = pending_code;
        pending_code = -1;
        return code;
    }
    for (;;) {
        const int b = source(-1);
        if (b < 0) return -1;
        if (b == '\n' && last_was_cr) {
            last_was_cr = false;
            continue;
        }
        last_was_cr = b == '\r';
        if (b == '\r' || b == '\n') return 13;
        if (b == 127) return 8;
        if (b == 27) {
            const int key = read_escape(source);
            if (key == -2) continue;
            return key;
        }
        if (b >= 0xC2 && b <= 0xF4) {
            const int key = read_utf8(b, source);
            if (key == -2) continue;
            return key;
        }
        return b;
    }
}

bool decoder_has_pending_code() {
    return pending_code >= 0;
}

void reset_key_decoder() {
    pending_code = -1;
    last_was_cr = false;
}

size_t console_char_utf8(int code, char* out) {
    code &= 0xFF;
    if (code == 0) {
        out[0] = ' ';
        return 1;
    }
    if (code < 0x80) {
        out[0] = char(code);
        return 1;
    }
    if (code == 0xB2) { // shaded square
        out[0] = char(0xE2);
        out[1] = char(0x96);
        out[2] = char(0x93);
        return 3;
    }
    unsigned codepoint = 0;
    for (const CodePair& pair : KeyCodes)
        if (pair.key == code) codepoint = pair.codepoint;
    if (code == 0xE9 || code == 0xE8 || code == 0xE0 || code == 0xE7) codepoint = unsigned(code);
    if (codepoint == 0) {
        out[0] = '?';
        return 1;
    }
    out[0] = char(0xC0 | (codepoint >> 6));
    out[1] = char(0x80 | (codepoint & 0x3F));
    return 2;
}
