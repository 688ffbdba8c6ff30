#include "shell/input_reader.h"

#include <cstdio>
#include <new>

#include "platform/platform.h"

std::string command_line;

InputReader::InputReader(ReadFunction read_function, bool start_thread)
    : source(read_function), threaded(start_thread) {
    if (start_thread && !platform_start_thread(thread_procedure, this)) {
        std::fputs("Fatal Error: MFC initialization failed\n", stdout);
        platform_exit(1);
    }
}

void InputReader::thread_procedure(void* self) {
    InputReader& reader = *static_cast<InputReader*>(self);
    for (;;) {
        while (reader.has_lines.load(std::memory_order_acquire) != 0 &&
               reader.stop_requested.load(std::memory_order_acquire) == 0)
            platform_sleep_ms(1);
        if (reader.stop_requested.load(std::memory_order_acquire) != 0) break;
        if (!reader.reader_pass()) break;
    }
    reader.stopped.store(1, std::memory_order_release);
}

bool InputReader::reader_pass() {
    char chunk[ChunkSize + 1];
    bool ended = false;
    while (partial_text.find('\n') == std::string::npos) {
        if (stop_requested.load(std::memory_order_acquire) != 0) return false;
        const int count = source(chunk, ChunkSize, ReadWaitMs);
        if (count == -2) continue;
        if (count <= 0) {
            ended = true;
            break;
        }
        chunk[count] = '\0';
        partial_text.append(chunk, size_t(count));
    }
    for (size_t p = partial_text.find('\n'); p != std::string::npos; p = partial_text.find('\n')) {
        line_queue.push_back(partial_text.substr(0, p + 1));
        partial_text.erase(0, p + 1);
    }
    // At the end of input a last line without its newline still counts. It is queued as it
    // came, so the bytes handed to the console keyboard stay exactly the bytes that were read.
    if (ended && !partial_text.empty()) {
        line_queue.push_back(partial_text);
        partial_text.clear();
    }
    if (!line_queue.empty()) has_lines.store(1, std::memory_order_release);
    if (ended) input_ended.store(1, std::memory_order_release);
    return !ended;
}

std::string InputReader::next_line() {
    while (has_lines.load(std::memory_order_acquire) == 0) {
        if (input_finished()) return std::string();
        platform_sleep_ms(1);
    }
    std::string line = line_queue.front();
    line_queue.pop_front();
    const char* blanks = " \t\n\v\f\r";
    const size_t first = line.find_first_not_of(blanks);
    if (first == std::string::npos) {
        line.clear();
    } else {
        line.erase(line.find_last_not_of(blanks) + 1);
        line.erase(0, first);
    }
    has_lines.store(line_queue.empty() ? 0 : 1, std::memory_order_release);
    return line;
}

int InputReader::poll_command(std::string& target) {
    if (has_lines.load(std::memory_order_acquire) == 0) return -1;
    target = next_line();
    return 0;
}

bool InputReader::input_finished() const {
    // The reader publishes its last lines before it marks the end, so a clear has_lines read
    // after the end mark means the queue is really empty.
    return input_ended.load(std::memory_order_acquire) != 0 &&
           has_lines.load(std::memory_order_acquire) == 0;
}

std::string InputReader::stop_and_take_bytes() {
    stop_requested.store(1, std::memory_order_release);
    // The reader looks at the flag at least every ReadWaitMs. Should it stay blocked in a read
    // all the same, its data is still its own: nothing is taken rather than racing with it.
    bool acknowledged = !threaded;
    for (int waited = 0; !acknowledged && waited < StopWaitMs; ++waited) {
        acknowledged = stopped.load(std::memory_order_acquire) != 0;
        if (!acknowledged) platform_sleep_ms(1);
    }
    if (!acknowledged) return std::string();
    std::string bytes;
    if (has_lines.load(std::memory_order_acquire) != 0) {
        for (const std::string& line : line_queue) bytes += line;
        line_queue.clear();
        has_lines.store(0, std::memory_order_release);
    }
    bytes += partial_text;
    partial_text.clear();
    return bytes;
}

namespace {

// Storage of the process's reader. The object is never destroyed: its thread may still be
// running while the process exits.
alignas(InputReader) unsigned char reader_storage[sizeof(InputReader)];

} // namespace

InputReader& input_reader = *new (reader_storage) InputReader(platform_read_stdin, true);

std::string next_line() {
    return input_reader.next_line();
}

int poll_command() {
    return input_reader.poll_command(command_line);
}
