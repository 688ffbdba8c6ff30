// The platform layer on Windows: the console keyboard through _getch/_kbhit, standard input as a
// console, a pipe or a file, Win32 threads and clock, and the C runtime's low-level files.
#include "platform/platform.h"

#include <conio.h>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "platform/keyboard.h"

namespace {

// _getch announces an extended key (arrows, function keys) with one of these before its code.
constexpr int ExtendedKeyPrefix = 0;
constexpr int ExtendedKeyPrefixAlt = 0xE0;

// Milliseconds between two looks at a pipe that has nothing to read yet.
constexpr DWORD PipePollMs = 1;

// Console text goes out in UTF-8. The console decodes each write on its own, and the runtime
// would hand an unbuffered console one byte per write, splitting every accented letter; so a
// console gets a buffer, emptied whenever the engine waits, reads a key or looks at the clock
// (many times a second while it thinks), and raw bytes without the runtime's code-page handling.
constexpr size_t ConsoleOutputBuffer = 1 << 16;
bool stdout_is_console = false;

void flush_console_output() {
    if (stdout_is_console) std::fflush(stdout);
}

HANDLE stdin_handle() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

bool stdin_is_console() {
    DWORD mode = 0;
    return GetConsoleMode(stdin_handle(), &mode) != 0;
}

// Milliseconds left of timeout_ms since start, or INFINITE for a negative timeout.
DWORD remaining_ms(ULONGLONG start, int timeout_ms) {
    if (timeout_ms < 0) return INFINITE;
    const ULONGLONG spent = GetTickCount64() - start;
    return spent >= ULONGLONG(timeout_ms) ? 0 : DWORD(ULONGLONG(timeout_ms) - spent);
}

// A pipe (a GUI, a script) has no waitable "data arrived" state: look at it until bytes are there
// or the writer has gone (the next read then reports the end).
bool wait_pipe(HANDLE input, int timeout_ms) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return true;
        if (available > 0) return true;
        const DWORD left = remaining_ms(start, timeout_ms);
        if (left == 0) return false;
        Sleep(left < PipePollMs ? left : PipePollMs);
    }
}

// A console handle is also signalled by focus, mouse, resize and key-up events, which a read
// would wait behind: drop them and report only a key press.
bool wait_console(HANDLE input, int timeout_ms) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (WaitForSingleObject(input, remaining_ms(start, timeout_ms)) != WAIT_OBJECT_0)
            return false;
        INPUT_RECORD record;
        DWORD count = 0;
        if (!PeekConsoleInputA(input, &record, 1, &count) || count == 0) return true;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return true;
        ReadConsoleInputA(input, &record, 1, &count);
    }
}

// Waits until a read of standard input will not block (data, or the end of the input). False
// when timeout_ms passed first; a negative timeout waits for ever. Files never block.
bool wait_readable(int timeout_ms) {
    const HANDLE input = stdin_handle();
    if (stdin_is_console()) return wait_console(input, timeout_ms);
    if (GetFileType(input) == FILE_TYPE_PIPE) return wait_pipe(input, timeout_ms);
    return true;
}

// One key of the console, the two codes of an extended key both read as 0 and then the code.
// Some runtimes return the key's byte sign-extended: the codes are kept to 0..255.
int read_console_key() {
    const int key = _getch() & 0xFF;
    return key == ExtendedKeyPrefixAlt ? ExtendedKeyPrefix : key;
}

// Byte source of the key decoder: the handed-over bytes first, then standard input (a pipe or a
// file byte by byte, so that a scripted dialogue works; a console key by key).
int read_byte_from_stdin(int wait_ms) {
    const int pushed = take_pushed_byte();
    if (pushed >= 0) return pushed;
    if (wait_ms >= 0 && !wait_readable(wait_ms)) return -2;
    if (stdin_is_console()) return read_console_key();
    unsigned char byte = 0;
    DWORD count = 0;
    if (!ReadFile(stdin_handle(), &byte, 1, &count, nullptr) || count == 0) return -1;
    return byte;
}

struct ThreadStart {
    void (*entry)(void*);
    void* argument;
};

DWORD WINAPI run_thread(LPVOID start_record) {
    const ThreadStart start = *static_cast<ThreadStart*>(start_record);
    delete static_cast<ThreadStart*>(start_record);
    start.entry(start.argument);
    return 0;
}

// FILETIME counts 100-nanosecond ticks from 1601-01-01; the engine's clock starts at 1970-01-01.
constexpr uint64_t TicksPerMillisecond = 10000;
constexpr uint64_t MillisecondsFrom1601To1970 = 11644473600000ULL;

} // namespace

bool platform_init() {
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        stdout_is_console = true;
        SetConsoleOutputCP(CP_UTF8); // a console that refuses it still shows the plain text
        _setmode(_fileno(stdout), _O_BINARY);
        std::setvbuf(stdout, nullptr, _IOFBF, ConsoleOutputBuffer);
    }
    return true;
}

int platform_read_stdin(char* buffer, int size, int timeout_ms) {
    if (!wait_readable(timeout_ms)) return -2;
    DWORD count = 0;
    if (!ReadFile(stdin_handle(), buffer, DWORD(size), &count, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return int(count);
}

int platform_read_key() {
    std::fflush(stdout);
    if (!has_pushed_bytes() && !decoder_has_pending_code() && stdin_is_console())
        return read_console_key();
    return decode_key(read_byte_from_stdin);
}

bool platform_key_waiting() {
    flush_console_output();
    if (has_pushed_bytes() || decoder_has_pending_code()) return true;
    if (stdin_is_console()) return _kbhit() != 0;
    return wait_readable(0);
}

void platform_sleep_ms(int ms) {
    flush_console_output();
    Sleep(DWORD(ms));
}

void platform_wall_clock(int64_t* seconds, int* milliseconds) {
    flush_console_output();
    FILETIME file_time;
    GetSystemTimeAsFileTime(&file_time);
    ULARGE_INTEGER ticks;
    ticks.LowPart = file_time.dwLowDateTime;
    ticks.HighPart = file_time.dwHighDateTime;
    const uint64_t since_1970 = ticks.QuadPart / TicksPerMillisecond - MillisecondsFrom1601To1970;
    *seconds = int64_t(since_1970 / 1000);
    *milliseconds = int(since_1970 % 1000);
}

uint64_t platform_fine_clock() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME file_time;
    GetSystemTimeAsFileTime(&file_time);
    ULARGE_INTEGER ticks;
    ticks.LowPart = file_time.dwLowDateTime;
    ticks.HighPart = file_time.dwHighDateTime;
    // The counter changes within a millisecond; the system time tells the boots apart.
    return uint64_t(counter.QuadPart) ^ (uint64_t(ticks.QuadPart) << 20);
}

void platform_local_date(int* year, int* month, int* day) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    *year = local.wYear;
    *month = local.wMonth;
    *day = local.wDay;
}

uint32_t platform_process_id() {
    return uint32_t(GetCurrentProcessId());
}

bool platform_start_thread(void (*entry)(void*), void* argument) {
    auto* start = new ThreadStart{entry, argument};
    const HANDLE thread = CreateThread(nullptr, 0, run_thread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    CloseHandle(thread);
    return true;
}

int platform_open_read(const char* name) {
    return _open(name, _O_RDONLY | _O_BINARY);
}

int platform_create_file(const char* name) {
    return _open(name, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

int platform_read(int handle, void* buffer, int size) {
    return _read(handle, buffer, unsigned(size));
}

int platform_write(int handle, const void* buffer, int size) {
    return _write(handle, buffer, unsigned(size));
}

void platform_close(int handle) {
    _close(handle);
}

bool platform_flush_file(int handle) {
    return _commit(handle) == 0;
}

bool platform_replace_file(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void platform_remove_file(const char* name) {
    _unlink(name);
}
