// Random command sequences, as a GUI might send them at any moment, through the real engine
// binary, with a fixed seed. Whatever the order and the timing:
// - every go gets exactly one bestmove line, in the order of the goes, with a move legal in the
//   position of that go (the position last accepted before it, the start position when none
//   was), or "(none)" where that position has no legal move or the last position was refused;
//   an expected reply after "ponder" is legal after the move;
// - every isready gets exactly one readyok;
// - at the end of the input the goes still running are answered and the engine exits; after
//   quit nothing more is done (the go running when quit arrives may stay unanswered).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/engine_process.h"
#include "uci/uci_referee.h"

namespace {

constexpr unsigned Seed = 18;
constexpr int Engines = 32;
constexpr int SequencesPerEngine = 10;
constexpr int AnswerWaitMs = 20000;

const char* const LegalFens[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1",
    "8/P6k/8/8/8/8/6p1/K7 w - - 0 1",
    "7k/8/8/8/8/8/8/K7 w - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", // mate in one
    "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",        // black is mated
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",        // stalemate
    "7k/8/8/8/8/8/6q1/7K w - - 0 1",         // one legal move
    "8/8/1p1k4/1P1p4/3P4/4K3/8/8 w - - 0 1",
};

const char* const RefusedPositions[] = {
    "position fen 4k3/8/8/8/8/8/8/4RK2 w - - 0 1",                  // the side not to move in check
    "position fen 8/7r/2PK4/8/8/8/PP5P/4R2k w - - 0 1",             // the same
    "position fen 4k3/8/8/8/8/8/8/3KK3 w - - 0 1",                  // two white kings
    "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1", // seven ranks
    "position fen",
};

// What the test knows of the engine: the position the next go searches.
struct Model {
    std::string position = "position startpos";
    bool refused = false;
};

// One go sent, with the position it must be answered in.
struct SentGo {
    std::string position;
    bool refused;
};

class Generator {
  public:
    explicit Generator(unsigned seed) : rng(seed) {}

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool chance(int percent) { return pick(100) < percent; }

    // A legal position line: a random game from the start position or a set-up one.
    std::string legal_position() {
        std::string line =
            chance(50) ? "position startpos"
                       : std::string("position fen ") + LegalFens[pick(int(std::size(LegalFens)))];
        const int plies = pick(16);
        for (int i = 0; i < plies; ++i) {
            if (!referee_position(line)) break;
            const std::vector<std::string> moves = referee_legal_moves();
            if (moves.empty()) break;
            line = referee_line_after(line, moves[size_t(pick(int(moves.size())))]);
        }
        return line;
    }

    std::string go_command() {
        const int w = 50 + pick(1450);
        const std::string clocks = " wtime " + std::to_string(w) + " btime " + std::to_string(w);
        switch (pick(13)) {
        case 0:
        case 1: return "go depth " + std::to_string(1 + pick(3));
        case 2: return "go nodes " + std::to_string(pick(4) == 0 ? 1 : 200 + pick(4000));
        case 3:
        case 4: return "go movetime " + std::to_string(1 + pick(25));
        case 5: {
            const std::string inc = std::to_string(pick(3) * 15);
            return "go" + clocks + " winc " + inc + " binc " + inc;
        }
        case 6: return "go" + clocks + " movestogo " + std::to_string(1 + pick(3));
        case 7: return "go mate 1";
        case 8:
        case 9: return "go infinite";
        case 10:
        case 11: return "go ponder" + clocks;
        default: return pick(3) == 0 ? "go" : "go depth 1";
        }
    }

    // A command other than go and position.
    std::string other_command() {
        switch (pick(10)) {
        case 0:
        case 1:
        case 2: return "stop";
        case 3:
        case 4: return "isready";
        case 5:
        case 6: return "ponderhit";
        case 7: return "ucinewgame";
        case 8: return "setoption name Hash value " + std::to_string(1 + pick(8));
        default:
            return std::string("setoption name Ponder value ") + (chance(70) ? "true" : "false");
        }
    }

  private:
    std::mt19937 rng;
};

// One engine process with what was sent to it and what it must answer.
class Session {
  public:
    explicit Session(const std::string& directory) : engine({"-uci"}, directory) {
        send("uci");
        send("setoption name Hash value 1");
        send("isready");
    }

    void send(const std::string& line) {
        engine.send(line + "\n");
        log += line + "\n";
        if (line == "isready") ++isreadys;
    }
    void go(const std::string& line, const Model& model) {
        send(line);
        goes.push_back({model.position, model.refused});
    }

    // Waits until every go and every isready sent has its answer; false after the wait.
    bool wait_for_answers() {
        const long long end = monotonic_ms() + AnswerWaitMs;
        for (;;) {
            const size_t answered = bestmove_lines(engine.output()).size();
            const int ready = count_lines(engine.output(), "readyok");
            if (answered > goes.size() || ready > isreadys) return true; // judged by check
            if (answered == goes.size() && ready == isreadys) return true;
            if (monotonic_ms() > end) return false;
            engine.collect(5);
        }
    }

    // Checks the answers so far; allow_last_missing for a quit that may cut the last go short.
    void check(bool allow_last_missing) {
        const std::vector<BestMove> found = bestmove_lines(engine.output());
        const size_t least = allow_last_missing && !goes.empty() ? goes.size() - 1 : goes.size();
        ASSERT_GE(found.size(), least) << context();
        ASSERT_LE(found.size(), goes.size()) << context();
        for (size_t i = 0; i < found.size(); ++i) {
            const std::string fault = judge_answer(found[i], goes[i].position, goes[i].refused);
            ASSERT_EQ(fault, "") << "go " << i + 1 << " answered \"" << found[i].line << "\" in "
                                 << goes[i].position << "\n"
                                 << context();
            ASSERT_TRUE(found[i].line == "bestmove " + found[i].move ||
                        found[i].line == "bestmove " + found[i].move + " ponder " + found[i].ponder)
                << found[i].line;
        }
        ASSERT_EQ(count_lines(engine.output(), "readyok"), isreadys) << context();
    }

    std::string context() const {
        return "--- sent:\n" + log + "--- received (without info lines):\n" + answers_only();
    }

    EngineProcess engine;
    std::vector<SentGo> goes;
    int isreadys = 0;
    std::string log;

  private:
    std::string answers_only() const {
        std::istringstream in(engine.output());
        std::string line, kept;
        while (std::getline(in, line))
            if (line.rfind("info", 0) != 0 && line.rfind("option", 0) != 0) kept += line + "\n";
        return kept;
    }
};

// A working directory of its own, with the opening book or without it.
class ScratchDirectory {
  public:
    explicit ScratchDirectory(bool withBook) {
        std::string pattern = ::testing::TempDir() + "talvor_protocol_XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path = pattern + "/";
        if (withBook && !path.empty())
            std::filesystem::copy_file(TALVOR_BOOK_FILE, path + "pellan.txt");
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

} // namespace

TEST(ProtocolRandom, EveryGoGetsOneLegalAnswerWhateverTheGuiSends) {
    Generator random(Seed);
    int sequences = 0, goes = 0;
    for (int e = 0; e < Engines; ++e) {
        ScratchDirectory directory(e % 4 == 3);
        ASSERT_FALSE(directory.path.empty());
        Session session(directory.path);
        if (e % 2 == 0) session.send("setoption name Ponder value true");
        Model model;
        for (int s = 0; s < SequencesPerEngine; ++s) {
            const bool last = s == SequencesPerEngine - 1;
            const int length = 2 + random.pick(6);
            for (int c = 0; c < length; ++c) {
                const int kind = random.pick(100);
                if (kind < 30) {
                    if (random.chance(10)) {
                        session.send(
                            RefusedPositions[random.pick(int(std::size(RefusedPositions)))]);
                        model.refused = true;
                    } else {
                        model.position = random.legal_position();
                        model.refused = false;
                        session.send(model.position);
                    }
                } else if (kind < 65) {
                    session.go(random.go_command(), model);
                } else {
                    session.send(random.other_command());
                }
                // Commands reach the engine in bursts or one by one, while it searches or not.
                if (random.chance(60)) platform_sleep_ms(random.pick(8));
            }
            ++sequences;
            if (!last) {
                // The interface settles: every go and isready sent has its answer.
                session.send("stop");
                session.send("isready");
                ASSERT_TRUE(session.wait_for_answers()) << session.context();
                ASSERT_NO_FATAL_FAILURE(session.check(false));
                continue;
            }
            // The last sequence ends with the input, or with quit and lines after it.
            if (random.chance(50)) {
                session.engine.close_input();
                ASSERT_EQ(session.engine.wait_exit(AnswerWaitMs), 0) << session.context();
                ASSERT_NO_FATAL_FAILURE(session.check(false));
            } else {
                session.engine.send("quit\nisready\ngo depth 1\n");
                session.log += "quit\nisready\ngo depth 1\n";
                ASSERT_EQ(session.engine.wait_exit(AnswerWaitMs), 0) << session.context();
                ASSERT_NO_FATAL_FAILURE(session.check(true));
            }
        }
        goes += int(session.goes.size());
    }
    RecordProperty("sequences", sequences);
    RecordProperty("goes", goes);
}
