// The console's keyboard dialogue: keys are read one at a time without echo, and the program
// echoes what it accepts. Every reader here ends the program when the keyboard has ended (a
// closed pipe or terminal): nothing more can be asked then.
#pragma once

constexpr int KeyBell = 7;
constexpr int KeyBackspace = 8;
constexpr int KeyEnter = 13;

// Longest text read_move_text returns ("E2E4").
constexpr int MoveTextLength = 4;

// The next key (0..255; an extended key arrives as 0 and then its code).
int console_key();

// Waits for any key; returns at once when the keyboard has ended.
void wait_for_any_key();

// Reads keys until one, upper-cased, is in answers (an extended key's second code is dropped);
// echoes it in lower case and returns it upper-cased.
int read_answer(const char* answers);

// Reads a decimal number of at most maxDigits digits, with an optional leading "-" or "+", ended
// by Enter once a digit is typed. Backspace erases; any other key is answered with BEL.
int read_number(int maxDigits);

// Reads a text of at most maxLength characters of codes 33 to 126, ended by Enter once one is
// typed; other keys and a character beyond maxLength are answered with BEL. Backspace erases.
// text must hold maxLength + 1 bytes. Returns the length.
int read_text(char* text, int maxLength);

// Reads a move or a command of at most four characters until Enter: the unshifted number row of
// a French keyboard gives digits, the letters a-h, m, n, p, r, t and w are upper-cased, and any
// other key is ignored; a fifth character is answered with BEL. text must hold 5 bytes. Returns
// the length (at least 1).
int read_move_text(char* text);

// The character read_move_text accepts for key: a digit, A-H, M, N, P, R, T or W; 0 for a key it
// ignores.
int move_text_char(int key);
