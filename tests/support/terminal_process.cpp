#include "support/terminal_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/engine_process.h"

TerminalProcess::TerminalProcess(const std::vector<std::string>& arguments,
                                 const std::string& directory) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    const char* name = ptsname(master);
    if (name == nullptr) return;
    slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) return;
    // Everything the child needs is prepared before the fork: it must not allocate.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(TALVOR_BINARY));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(slave, STDIN_FILENO);
        dup2(slave, STDOUT_FILENO);
        close(slave);
        close(master);
        if (chdir(directory.c_str()) != 0) _exit(126);
        execv(TALVOR_BINARY, argv.data());
        _exit(127);
    }
}

TerminalProcess::~TerminalProcess() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
}

void TerminalProcess::send(const std::string& data) {
    const ssize_t written = write(master, data.data(), data.size());
    EXPECT_EQ(written, ssize_t(data.size()));
}

bool TerminalProcess::read_some(int timeout_ms) {
    struct pollfd descriptor = {master, POLLIN, 0};
    if (poll(&descriptor, 1, timeout_ms) <= 0) return false;
    char buffer[4096];
    const ssize_t count = read(master, buffer, sizeof buffer);
    if (count <= 0) return false;
    text.append(buffer, size_t(count));
    return true;
}

bool TerminalProcess::wait_for(const std::string& wanted, size_t from, int timeout_ms) {
    const long long end = monotonic_ms() + timeout_ms;
    while (text.find(wanted, from) == std::string::npos) {
        const long long left = end - monotonic_ms();
        if (left <= 0) return false;
        read_some(int(left));
    }
    return true;
}

termios TerminalProcess::modes() const {
    termios modes{};
    tcgetattr(slave, &modes);
    return modes;
}

void TerminalProcess::set_modes(const termios& modes) {
    tcsetattr(slave, TCSANOW, &modes);
}

void TerminalProcess::signal(int signal_number) {
    if (pid > 0) kill(pid, signal_number);
}

bool TerminalProcess::wait_stopped(int timeout_ms) {
    const long long end = monotonic_ms() + timeout_ms;
    while (monotonic_ms() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG | WUNTRACED) == pid && WIFSTOPPED(status)) return true;
        read_some(10);
    }
    return false;
}
