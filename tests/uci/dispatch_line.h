// Helpers of the dispatcher's in-process tests: the engine tables built once per test binary,
// and one line dispatched with its output captured.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "shell/input_reader.h"
#include "shell/startup.h"
#include "uci/dispatcher.h"

inline void init_engine_tables_once() {
    static bool ready = false;
    if (!ready) {
        init_engine_tables();
        ready = true;
    }
}

// Dispatches one line in the given context and returns what it wrote.
inline std::string dispatch_line(const std::string& line, int context = 0) {
    command_line = line;
    testing::internal::CaptureStdout();
    parse_command_line(context);
    return testing::internal::GetCapturedStdout();
}
