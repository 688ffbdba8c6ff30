// Runs the built engine as a child process with piped standard input and output, for end-to-end
// tests. POSIX only.
#pragma once

#include <string>
#include <vector>

class EngineProcess {
  public:
    // Starts TALVOR_BINARY with the given arguments in directory (the test's scratch directory
    // when empty).
    explicit EngineProcess(const std::vector<std::string>& arguments = {},
                           const std::string& directory = "");
    ~EngineProcess(); // kills the engine if it still runs

    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    void send(const std::string& text);
    void close_input();

    // Collects output until it contains text (true) or timeout_ms pass (false).
    bool wait_for(const std::string& text, int timeout_ms);
    // The same for text appearing at or after byte offset from of the output.
    bool wait_for_after(const std::string& text, size_t from, int timeout_ms);
    // Collects output for ms milliseconds.
    void collect(int ms);
    // Waits for the engine to end: its exit status, or -1 when it is still running after
    // timeout_ms (it is then killed).
    int wait_exit(int timeout_ms);

    const std::string& output() const { return text; }

  private:
    bool read_some(int timeout_ms);

    int pid = -1;
    int input_fd = -1;
    int output_fd = -1;
    std::string text;
};

// Milliseconds on a monotonic clock.
long long monotonic_ms();
