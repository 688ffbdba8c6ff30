// Runs the built engine on a pseudo-terminal, as a user's terminal would run it, for tests of
// the keyboard's terminal modes. POSIX only.
#pragma once

#include <string>
#include <termios.h>
#include <vector>

class TerminalProcess {
  public:
    // Starts TALVOR_BINARY with the arguments in directory, its standard input and output the
    // pseudo-terminal, in a process group of its own (so that job-control signals stop it).
    TerminalProcess(const std::vector<std::string>& arguments, const std::string& directory);
    ~TerminalProcess(); // kills the engine if it still runs

    TerminalProcess(const TerminalProcess&) = delete;
    TerminalProcess& operator=(const TerminalProcess&) = delete;

    bool started() const { return pid > 0; }
    void send(const std::string& text);
    // Collects output until it contains text at or after offset from (true) or timeout_ms pass.
    bool wait_for(const std::string& text, size_t from, int timeout_ms);
    const std::string& output() const { return text; }

    // The terminal's modes as the engine left them, and setting them as a shell would.
    termios modes() const;
    void set_modes(const termios& modes);

    void signal(int signal_number);
    // Waits until the engine is stopped by a signal; false when it is not within timeout_ms.
    bool wait_stopped(int timeout_ms);

  private:
    bool read_some(int timeout_ms);

    int pid = -1;
    int master = -1;
    int slave = -1;
    std::string text;
};
