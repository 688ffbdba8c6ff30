// The platform layer on POSIX systems (Linux): terminal in raw mode, poll() on standard input,
// pthreads, clock_gettime and plain file descriptors.
#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include "platform/keyboard.h"

namespace {

struct termios saved_terminal;
struct termios raw_terminal;
volatile sig_atomic_t terminal_is_raw = 0;
volatile sig_atomic_t raw_wanted = 0; // raw mode was set up: it comes back after a stop
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

void install_handler(int signal_number, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
}

// Resumed (fg after Ctrl-Z, or SIGCONT after any stop): the shell has had the terminal back in
// line mode with echo meanwhile; keys are read one by one again.
void resume_raw_mode(int) {
    const int saved_errno = errno;
    if (raw_wanted && tcsetattr(STDIN_FILENO, TCSANOW, &raw_terminal) == 0) terminal_is_raw = 1;
    errno = saved_errno;
}

// Ctrl-Z: the terminal as the shell expects it while the program is stopped, then the stop
// itself; the handler is back in place once the program runs again.
void stop_on_signal(int signal_number) {
    const int saved_errno = errno;
    restore_terminal();
    std::signal(signal_number, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal_number);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(signal_number);
    install_handler(signal_number, stop_on_signal);
    errno = saved_errno;
}

// Raw mode for a terminal: keys arrive one by one, without echo; Ctrl-C still interrupts, and
// Ctrl-Z stops the program with the terminal restored until it is resumed.
void prepare_keyboard() {
    if (keyboard_prepared) return;
    keyboard_prepared = true;
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_terminal) != 0) return;
    struct termios raw = saved_terminal;
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
    raw.c_iflag &= ~tcflag_t(ICRNL | INLCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    raw_terminal = raw;
    std::atexit(restore_terminal);
    struct sigaction action = {};
    action.sa_handler = restore_terminal_on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    install_handler(SIGTSTP, stop_on_signal);
    install_handler(SIGCONT, resume_raw_mode);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        terminal_is_raw = 1;
        raw_wanted = 1;
    }
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

uint64_t platform_fine_clock() {
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

void platform_local_date(int* year, int* month, int* day) {
    const time_t now = time(nullptr);
    struct tm local = {};
    localtime_r(&now, &local);
    *year = local.tm_year + 1900;
    *month = local.tm_mon + 1;
    *day = local.tm_mday;
}

uint32_t platform_process_id() {
    return uint32_t(getpid());
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
    // Readable and writable as the user's umask allows, like any document a program writes.
    const mode_t mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
    return open(name, O_WRONLY | O_CREAT | O_TRUNC, mode);
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
