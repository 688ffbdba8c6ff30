// The rooms of src/ and the way between them: every include points down the build order, from
// the shell to the platform. A room may include any room below it; an include that points up, or
// across to the other room of its level, fails with the file and the include named, unless the
// list of exceptions below names it with its reason. Only the front ends and the shell may have
// exceptions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The rooms in build order: a room may include the rooms of lower levels only.
const std::map<std::string, int> RoomLevel = {
    {"platform", 0}, {"core", 1},   {"board", 2}, {"eval", 3},    {"search", 4},
    {"book", 5},     {"record", 5}, {"uci", 6},   {"console", 6}, {"shell", 7},
};

// The front ends and the shell, the only rooms that may call each other against the order.
const std::set<std::string> FrontRooms = {"uci", "console", "shell"};

struct Exception {
    const char* file;    // path below src/
    const char* include; // the include as written
    const char* reason;
};

const Exception Exceptions[] = {
    {"console/move_entry.cpp", "shell/game_loop.h",
     "the move typed during a ponder search lets the game loop play the ponder reply at once"},
    {"console/move_entry.cpp", "shell/think.h",
     "the human's turn runs the think step's search on the opponent's time and reads its move"},
    {"console/parameters.cpp", "shell/game_loop.h",
     "the questionnaire sets the game loop's pause between autoplay moves"},
    {"console/parameters.cpp", "shell/game_moves.h",
     "a console set-up refreshes the game position as every game move does"},
    {"console/parameters.cpp", "shell/think.h",
     "a new console game clears the think step's last score"},
    {"console/take_back.cpp", "shell/game_moves.h",
     "a take-back replays the game's moves through the game-move step"},
    {"console/take_back.cpp", "shell/think.h", "a take-back clears the think step's last score"},
    {"uci/debug_commands.cpp", "shell/bench.h",
     "the bench command runs the shell's benchmark from the UCI loop"},
    {"uci/dispatcher.cpp", "shell/input_reader.h",
     "the dispatcher takes its lines from the input reader thread's queue"},
    {"uci/dispatcher.cpp", "shell/think.h",
     "ponderhit and stop of a search on the opponent's time answer with the think step's move"},
    {"uci/position_command.cpp", "shell/game_moves.h",
     "the moves of a position line are played through the game-move step"},
};

struct Include {
    std::string file;   // path below src/, such as "search/poll.cpp"
    std::string target; // the include as written, such as "uci/dispatcher.h"
    std::string room;   // the room of file
    std::string toRoom; // the room of the target
};

std::string room_of(const std::string& path) {
    return path.substr(0, path.find('/'));
}

// The target of a line `#include "target"` (spaces allowed around '#'), or "" for any other line.
std::string quoted_include(const std::string& line) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#') return "";
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0) return "";
    at = line.find_first_not_of(" \t", at + 7);
    if (at == std::string::npos || line[at] != '"') return "";
    const size_t end = line.find('"', at + 1);
    return end == std::string::npos ? "" : line.substr(at + 1, end - at - 1);
}

// Every quoted include of every source file under src/.
std::vector<Include> read_includes() {
    const fs::path root = TALVOR_SOURCE_DIR;
    std::vector<Include> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string extension = entry.path().extension().string();
        if (extension != ".h" && extension != ".cpp") continue;
        const std::string file = entry.path().lexically_relative(root).generic_string();
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            const std::string target = quoted_include(line);
            if (target.empty()) continue;
            const bool inRoom = target.find('/') == std::string::npos;
            found.push_back(
                {file, target, room_of(file), inRoom ? room_of(file) : room_of(target)});
        }
    }
    std::sort(found.begin(), found.end(), [](const Include& a, const Include& b) {
        return a.file != b.file ? a.file < b.file : a.target < b.target;
    });
    return found;
}

bool excepted(const Include& inc) {
    for (const Exception& e : Exceptions)
        if (inc.file == e.file && inc.target == e.include) return true;
    return false;
}

bool points_down(const Include& inc) {
    if (inc.room == inc.toRoom) return true;
    return RoomLevel.at(inc.toRoom) < RoomLevel.at(inc.room);
}

TEST(Layering, TheSourcesAreFoundAndEveryFolderIsARoom) {
    const std::vector<Include> includes = read_includes();
    ASSERT_GT(includes.size(), 100u) << "no sources under " << TALVOR_SOURCE_DIR;
    for (const auto& entry : fs::directory_iterator(fs::path(TALVOR_SOURCE_DIR))) {
        if (!entry.is_directory()) continue;
        EXPECT_EQ(RoomLevel.count(entry.path().filename().string()), 1u)
            << "src/" << entry.path().filename().string()
            << " is not in the rooms' order of this test";
    }
    for (const Include& inc : includes)
        EXPECT_EQ(RoomLevel.count(inc.toRoom), 1u)
            << "src/" << inc.file << " includes \"" << inc.target << "\": no such room";
}

TEST(Layering, EveryIncludePointsDownTheOrder) {
    for (const Include& inc : read_includes()) {
        if (RoomLevel.count(inc.room) == 0 || RoomLevel.count(inc.toRoom) == 0) continue;
        if (points_down(inc) || excepted(inc)) continue;
        ADD_FAILURE() << "src/" << inc.file << " includes \"" << inc.target << "\": " << inc.toRoom
                      << (RoomLevel.at(inc.toRoom) == RoomLevel.at(inc.room) ? " stands beside "
                                                                             : " stands above ")
                      << inc.room;
    }
}

// The rooms' graph of the includes the order allows or the exceptions name may still hold a
// cycle: one between rooms that the exceptions tie to each other beyond the front ends.
TEST(Layering, NoIncludeCycleBetweenRooms) {
    std::map<std::string, std::map<std::string, Include>> edges; // room -> room -> an include
    for (const Include& inc : read_includes())
        if (inc.room != inc.toRoom && RoomLevel.count(inc.room) && RoomLevel.count(inc.toRoom))
            edges[inc.room].emplace(inc.toRoom, inc);
    // A cycle through a room below the front ends is a fault; the front ends and the shell may
    // call each other where the exceptions say so.
    std::map<std::string, int> state; // 0 new, 1 on the path, 2 done
    std::vector<std::string> path;
    std::function<void(const std::string&)> visit = [&](const std::string& room) {
        state[room] = 1;
        path.push_back(room);
        for (const auto& [to, inc] : edges[room]) {
            if (state[to] == 1) {
                const auto from = std::find(path.begin(), path.end(), to);
                std::vector<std::string> cycle(from, path.end());
                const bool front =
                    std::all_of(cycle.begin(), cycle.end(),
                                [](const std::string& r) { return FrontRooms.count(r) == 1; });
                if (front) continue;
                std::string text;
                for (size_t i = 0; i < cycle.size(); ++i) {
                    const std::string& next = i + 1 < cycle.size() ? cycle[i + 1] : to;
                    const Include& step = edges[cycle[i]].at(next);
                    text += "\n  src/" + step.file + " includes \"" + step.target + "\"";
                }
                ADD_FAILURE() << "the rooms " << cycle.front() << " ... " << cycle.back()
                              << " include each other:" << text;
            } else if (state[to] == 0) {
                visit(to);
            }
        }
        path.pop_back();
        state[room] = 2;
    };
    for (const auto& [room, level] : RoomLevel)
        if (state[room] == 0) visit(room);
}

TEST(Layering, ExceptionsAreBetweenTheFrontEndsAndStillNeeded) {
    const std::vector<Include> includes = read_includes();
    for (const Exception& e : Exceptions) {
        const std::string file = e.file, target = e.include;
        EXPECT_TRUE(FrontRooms.count(room_of(file)) && FrontRooms.count(room_of(target)))
            << "src/" << file << " includes \"" << target
            << "\": only the front ends and the shell may have exceptions";
        const bool present = std::any_of(includes.begin(), includes.end(), [&](const Include& i) {
            return i.file == file && i.target == target && !points_down(i);
        });
        EXPECT_TRUE(present) << "the exception src/" << file << " -> \"" << target
                             << "\" is no longer needed: remove it";
        EXPECT_GT(std::string(e.reason).size(), 10u) << "src/" << file << ": give a reason";
    }
}

} // namespace
