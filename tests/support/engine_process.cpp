#include "support/engine_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

long long monotonic_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

EngineProcess::EngineProcess(const std::vector<std::string>& arguments,
                             const std::string& working_directory) {
    int to_child[2];
    int from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0) return;
    // Everything the child needs is prepared before the fork: it must not allocate.
    const std::string directory =
        working_directory.empty() ? testing::TempDir() : working_directory;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(TALVOR_BINARY));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        dup2(to_child[0], STDIN_FILENO);
        dup2(from_child[1], STDOUT_FILENO);
        close(to_child[0]);
        close(to_child[1]);
        close(from_child[0]);
        close(from_child[1]);
        if (chdir(directory.c_str()) != 0) _exit(126);
        execv(TALVOR_BINARY, argv.data());
        _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    input_fd = to_child[1];
    output_fd = from_child[0];
    signal(SIGPIPE, SIG_IGN);
}

EngineProcess::~EngineProcess() {
    close_input();
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (output_fd >= 0) close(output_fd);
}

void EngineProcess::send(const std::string& data) {
    if (input_fd < 0) return;
    const ssize_t written = write(input_fd, data.data(), data.size());
    EXPECT_EQ(written, ssize_t(data.size()));
}

void EngineProcess::close_input() {
    if (input_fd >= 0) close(input_fd);
    input_fd = -1;
}

bool EngineProcess::read_some(int timeout_ms) {
    if (output_fd < 0) return false;
    struct pollfd descriptor = {output_fd, POLLIN, 0};
    if (poll(&descriptor, 1, timeout_ms) <= 0) return false;
    char buffer[4096];
    const ssize_t count = read(output_fd, buffer, sizeof(buffer));
    if (count <= 0) {
        close(output_fd);
        output_fd = -1;
        return false;
    }
    text.append(buffer, size_t(count));
    return true;
}

bool EngineProcess::wait_for(const std::string& wanted, int timeout_ms) {
    return wait_for_after(wanted, 0, timeout_ms);
}

bool EngineProcess::wait_for_after(const std::string& wanted, size_t from, int timeout_ms) {
    const long long end = monotonic_ms() + timeout_ms;
    while (text.find(wanted, from) == std::string::npos) {
        const long long left = end - monotonic_ms();
        if (left <= 0 || output_fd < 0) return false;
        read_some(int(left));
    }
    return true;
}

void EngineProcess::collect(int ms) {
    const long long end = monotonic_ms() + ms;
    for (long long left = ms; left > 0 && output_fd >= 0; left = end - monotonic_ms())
        read_some(int(left));
}

int EngineProcess::wait_exit(int timeout_ms) {
    if (pid <= 0) return -1;
    const long long end = monotonic_ms() + timeout_ms;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            pid = -1;
            collect(0);
            while (read_some(0)) {
            }
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (monotonic_ms() >= end) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
            return -1;
        }
        read_some(10);
    }
}
