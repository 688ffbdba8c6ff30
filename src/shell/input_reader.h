// The input reader: one thread reads standard input in raw chunks, cuts the bytes into lines and
// queues them; the main thread takes the lines when it is ready (while waiting for a command and
// from the search's periodic poll). One atomic byte flag hands the queue from one thread to the
// other, so there is no lock: exactly one of them owns the queue at any moment.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

// The current input line: filled by poll_command / next_line, emptied by the dispatcher.
extern std::string command_line;

class InputReader {
  public:
    // Reads up to size bytes: the count, 0 at end of input, -1 on error, -2 when nothing arrived
    // within timeout_ms.
    using ReadFunction = int (*)(char* buffer, int size, int timeout_ms);

    static constexpr int ChunkSize = 256;
    // How long one read waits before the reader looks at stop_requested again.
    static constexpr int ReadWaitMs = 20;
    // How long stop_and_take_bytes waits for the reader to leave its loop.
    static constexpr int StopWaitMs = 1000;

    // With start_thread the reader thread starts at once; without it the owner calls
    // reader_pass itself (tests).
    InputReader(ReadFunction source, bool start_thread);

    // Blocking take of the oldest line, trimmed of white space at both ends. At end of input,
    // when no line is left, returns an empty text at once.
    std::string next_line();
    // -1 when no line is waiting (returns at once); 0 when a line was moved into target.
    int poll_command(std::string& target);

    // One pass of the reader: reads until at least one whole line is held, queues every whole
    // line and hands the queue to the main thread. False when the reader must end: input has
    // ended (a last line without newline is queued first) or a stop was requested.
    bool reader_pass();

    // Console start-up: asks the reader to stop, waits until it has, and returns every byte it
    // had taken from standard input and not handed out (queued lines, then the partial line).
    std::string stop_and_take_bytes();

    // True once standard input has ended and every line has been taken: nothing can arrive.
    bool input_finished() const;
    // True while the queue holds lines for the main thread.
    bool has_waiting_line() const { return has_lines.load(std::memory_order_acquire) != 0; }

  private:
    static void thread_procedure(void* self);

    std::atomic<uint8_t> has_lines{0};      // 1: the queue holds lines and is the main thread's
    std::atomic<uint8_t> stop_requested{0}; // 1: the reader takes no further byte
    std::atomic<uint8_t> stopped{0};        // 1: the reader thread has left its loop
    std::atomic<uint8_t> input_ended{0};    // 1: standard input has ended (or failed)
    ReadFunction source;
    bool threaded;
    std::string partial_text;           // bytes after the last newline (reader only)
    std::deque<std::string> line_queue; // whole lines with their "\n", oldest first
};

// The process's reader over standard input; its thread runs from before main.
extern InputReader& input_reader;

// The reader's consumers on the process's reader, writing command_line.
std::string next_line();
int poll_command();
