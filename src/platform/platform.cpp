#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/keyboard.h"

#ifdef _WIN32
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// Bytes the input reader took before the keyboard was used; read before standard input.
std::string pushed_bytes;
size_t pushed_position = 0;

int take_pushed_byte() {
    if (pushed_position >= pushed_bytes.size()) return -1;
    return static_cast<unsigned char>(pushed_bytes[pushed_position++]);
}

bool has_pushed_bytes() {
    return pushed_position < pushed_bytes.size();
}

} // namespace

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

#ifndef _WIN32
// ------------------------------------------------------------------------------------------
// POSIX
// ------------------------------------------------------------------------------------------
namespace {

struct termios saved_terminal;
volatile sig_atomic_t terminal_is_raw = 0;
bool keyboard_prepared = false;

void restore_terminal() {
    if (terminal_is_raw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
        terminal_is_raw = 0;
    }
}

void restore_terminal_on_signal(int signal_number) {
    restore_terminal();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// Raw mode for a terminal: keys arrive one by one, without echo; Ctrl-C still interrupts.
void prepare_keyboard() {
    if (keyboard_prepared) return;
    keyboard_prepared = true;
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_terminal) != 0) return;
    struct termios raw = saved_terminal;
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
    raw.c_iflag &= ~tcflag_t(ICRNL | INLCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    std::atexit(restore_terminal);
    struct sigaction action = {};
    action.sa_handler = restore_terminal_on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) terminal_is_raw = 1;
}

// Waits for standard input to become readable: 1 readable (or ended), 0 timed out, -1 error.
int wait_readable(int timeout_ms) {
    struct pollfd descriptor = {STDIN_FILENO, POLLIN, 0};
    for (;;) {
        const int result = poll(&descriptor, 1, timeout_ms);
        if (result >= 0) return result > 0 ? 1 : 0;
        if (errno != EINTR) return -1;
    }
}

int read_byte_from_stdin(int wait_ms) {
    const int pushed = take_pushed_byte();
    if (pushed >= 0) return pushed;
    if (wait_ms >= 0 && wait_readable(wait_ms) == 0) return -2;
    unsigned char byte = 0;
    for (;;) {
        const ssize_t count = read(STDIN_FILENO, &byte, 1);
        if (count == 1) return byte;
        if (count < 0 && errno == EINTR) continue;
        return -1;
    }
}

} // namespace

bool platform_init() {
    return true;
}

int platform_read_stdin(char* buffer, int size, int timeout_ms) {
    const int ready = wait_readable(timeout_ms);
    if (ready == 0) return -2;
    if (ready < 0) return -1;
    for (;;) {
        const ssize_t count = read(STDIN_FILENO, buffer, size_t(size));
        if (count >= 0) return int(count);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return -2;
        return -1;
    }
}

int platform_read_key() {
    std::fflush(stdout);
    prepare_keyboard();
    return decode_key(read_byte_from_stdin);
}

bool platform_key_waiting() {
    if (has_pushed_bytes() || decoder_has_pending_code()) return true;
    prepare_keyboard();
    return wait_readable(0) != 0;
}

void platform_sleep_ms(int ms) {
    struct timespec duration = {ms / 1000, long(ms % 1000) * 1000000L};
    while (nanosleep(&duration, &duration) != 0 && errno == EINTR) {
    }
}

void platform_wall_clock(int64_t* seconds, int* milliseconds) {
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    *seconds = int64_t(now.tv_sec);
    *milliseconds = int(now.tv_nsec / 1000000L);
}

namespace {

struct ThreadStart {
    void (*entry)(void*);
    void* argument;
};

void* run_thread(void* start_record) {
    const ThreadStart start = *static_cast<ThreadStart*>(start_record);
    delete static_cast<ThreadStart*>(start_record);
    start.entry(start.argument);
    return nullptr;
}

} // namespace

bool platform_start_thread(void (*entry)(void*), void* argument) {
    auto* start = new ThreadStart{entry, argument};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, run_thread, start) != 0) {
        delete start;
        return false;
    }
    pthread_detach(thread);
    return true;
}

int platform_open_read(const char* name) {
    return open(name, O_RDONLY);
}

int platform_create_file(const char* name) {
    return open(name, O_WRONLY | O_CREAT | O_TRUNC, S_IRUSR | S_IWUSR);
}

int platform_read(int handle, void* buffer, int size) {
    return int(read(handle, buffer, size_t(size)));
}

int platform_write(int handle, const void* buffer, int size) {
    return int(write(handle, buffer, size_t(size)));
}

void platform_close(int handle) {
    close(handle);
}

bool platform_flush_file(int handle) {
    return fsync(handle) == 0;
}

bool platform_replace_file(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}

void platform_remove_file(const char* name) {
    unlink(name);
}

#else
// ------------------------------------------------------------------------------------------
// Win32
// ------------------------------------------------------------------------------------------
namespace {

HANDLE stdin_handle() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

bool stdin_is_console() {
    DWORD mode = 0;
    return GetConsoleMode(stdin_handle(), &mode) != 0;
}

// Waits for standard input: 1 readable (or ended), 0 timed out.
int wait_readable(int timeout_ms) {
    const HANDLE input = stdin_handle();
    switch (GetFileType(input)) {
    case FILE_TYPE_PIPE: {
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return 1;
            if (available > 0) return 1;
            if (timeout_ms >= 0 && GetTickCount64() - start >= ULONGLONG(timeout_ms)) return 0;
            Sleep(1);
        }
    }
    case FILE_TYPE_CHAR: {
        // A console handle is also signalled by focus, mouse and key-up events, which a read
        // would wait behind: drop them and report only a key press.
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            DWORD wait = INFINITE;
            if (timeout_ms >= 0) {
                const ULONGLONG spent = GetTickCount64() - start;
                if (spent >= ULONGLONG(timeout_ms)) return 0;
                wait = DWORD(ULONGLONG(timeout_ms) - spent);
            }
            if (WaitForSingleObject(input, wait) != WAIT_OBJECT_0) return 0;
            INPUT_RECORD record;
            DWORD count = 0;
            if (!PeekConsoleInputA(input, &record, 1, &count) || count == 0) return 1;
            if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return 1;
            ReadConsoleInputA(input, &record, 1, &count);
        }
    }
    default: return 1;
    }
}

int read_byte_from_stdin(int wait_ms) {
    const int pushed = take_pushed_byte();
    if (pushed >= 0) return pushed;
    if (wait_ms >= 0 && wait_readable(wait_ms) == 0) return -2;
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

} // namespace

bool platform_init() {
    SetConsoleOutputCP(CP_UTF8);
    return true;
}

int platform_read_stdin(char* buffer, int size, int timeout_ms) {
    if (wait_readable(timeout_ms) == 0) return -2;
    DWORD count = 0;
    if (!ReadFile(stdin_handle(), buffer, DWORD(size), &count, nullptr)) {
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return int(count);
}

int platform_read_key() {
    std::fflush(stdout);
    if (has_pushed_bytes() || !stdin_is_console()) return decode_key(read_byte_from_stdin);
    const int key = _getch();
    return key == 0xE0 ? 0 : key; // both prefixes of an extended key read as 0
}

bool platform_key_waiting() {
    if (has_pushed_bytes() || decoder_has_pending_code()) return true;
    if (stdin_is_console()) return _kbhit() != 0;
    return wait_readable(0) != 0;
}

void platform_sleep_ms(int ms) {
    Sleep(DWORD(ms));
}

void platform_wall_clock(int64_t* seconds, int* milliseconds) {
    FILETIME file_time;
    GetSystemTimeAsFileTime(&file_time);
    ULARGE_INTEGER ticks;
    ticks.LowPart = file_time.dwLowDateTime;
    ticks.HighPart = file_time.dwHighDateTime;
    const uint64_t ms_since_1601 = ticks.QuadPart / 10000ULL;
    const uint64_t ms_since_1970 = ms_since_1601 - 11644473600000ULL;
    *seconds = int64_t(ms_since_1970 / 1000ULL);
    *milliseconds = int(ms_since_1970 % 1000ULL);
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

#endif

void platform_exit(int status) {
    std::fflush(stdout);
    std::exit(status);
}
