// The operating-system services the engine uses. Only src/platform/ includes OS headers; every
// other module goes through these functions. platform_posix.cpp (Linux) or platform_windows.cpp
// implements them, with the parts common to both in platform.cpp and keyboard.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

// --- Process start ---
// Prepares the console (UTF-8 output on Windows). False when the process cannot run.
bool platform_init();

// --- Standard input as a raw file descriptor (the UCI input reader) ---
// Reads up to size bytes from standard input; returns the count, 0 at end of input, -1 on error.
// Returns -2 without reading when nothing arrives within timeout_ms (timeout_ms < 0 waits).
int platform_read_stdin(char* buffer, int size, int timeout_ms);

// --- Keyboard, key by key, without echo ---
// Waits for one key and returns its code (0..255). Extended keys arrive as two codes, the first 0.
// UTF-8 letters of a terminal are decoded into the single key codes the console dialogue expects
// (é 0x82, è 0x8A, ç 0x87, à 0x85). Enter is 13 and Backspace 8 whatever the terminal sends.
// Returns -1 at end of input. A terminal is switched to raw mode on first use and restored at
// exit and on SIGINT/SIGTERM, and while the program is stopped (Ctrl-Z) until it is resumed; a
// Windows console is read key by key (its keys already carry those codes); a pipe or a file is read
// byte by byte, so the dialogue can be scripted.
int platform_read_key();
// True when a key is waiting (or the input has ended, so that the next read does not block).
bool platform_key_waiting();
// Gives the keyboard bytes that the input reader had already taken from standard input; they are
// returned by platform_read_key before anything else.
void platform_push_keyboard_bytes(const char* bytes, size_t count);
// How many of those bytes are still to be read (tests).
size_t platform_pushed_keyboard_bytes();
// Writes one character code to the console (BEL 7, backspace 8, ...). The key codes of accented
// letters (both the keyboard's and Windows-1252's) and the shaded square 0xB2 are written as
// UTF-8; code 0 is written as a space.
void platform_write_char(int code);

// --- Time ---
void platform_sleep_ms(int ms);
// Wall clock: whole seconds since the epoch and the milliseconds within the second.
void platform_wall_clock(int64_t* seconds, int* milliseconds);
// A clock that changes many times a millisecond (nanoseconds since the epoch on POSIX, the
// performance counter on Windows): for seeding, never for measuring.
uint64_t platform_fine_clock();
// Today's local date: year (e.g. 2024), month 1..12, day 1..31.
void platform_local_date(int* year, int* month, int* day);

// --- Threads ---
// Starts a detached thread running entry(argument). False when it cannot be started.
bool platform_start_thread(void (*entry)(void*), void* argument);

// --- Low-level files (no newline translation) ---
int platform_open_read(const char* name);   // -1 on failure
int platform_create_file(const char* name); // write only, created or truncated; -1 on failure
int platform_read(int handle, void* buffer, int size);
int platform_write(int handle, const void* buffer, int size);
void platform_close(int handle);
// Forces the file's written bytes onto the disk; false when that fails.
bool platform_flush_file(int handle);
// Renames from to to, replacing an existing to in one step: a reader sees either the old file or
// the new one, never a mix. False when it fails (both files are then unchanged).
bool platform_replace_file(const char* from, const char* to);
void platform_remove_file(const char* name);

// --- Large tables ---
// Zero-filled memory of at least bytes, on large pages where the system offers them; null when
// it cannot be had. Released with platform_free_large.
void* platform_alloc_large(size_t bytes);
void platform_free_large(void* memory);

// --- Process ---
// This process's id: different for every engine running at the same time.
uint32_t platform_process_id();
// Flushes standard output and ends the process (the terminal mode is restored).
[[noreturn]] void platform_exit(int status);
