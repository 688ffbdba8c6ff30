// The engine's board rules in the test process as the judge of the answers of the engine binary:
// a UCI position line set up here, the legal moves there, and the bestmove lines of an output.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "board/notation.h"
#include "board/root_moves.h"
#include "core/settings.h"
#include "uci/dispatch_line.h"
#include "uci/dispatcher.h"

// Sets the position line up in this process. False when the engine refuses it (an illegal
// position or a move word that is not a legal move).
inline bool referee_position(const std::string& line) {
    init_engine_tables_once();
    reset_dispatcher_state();
    uci_mode = 1;
    console_mode = 0;
    dispatch_line("isready");
    const std::string said = dispatch_line(line);
    return said.find("Position illegale") == std::string::npos &&
           said.find("Illegal move") == std::string::npos;
}

// The legal moves of the position set up last, as UCI text.
inline std::vector<std::string> referee_legal_moves() {
    MOVE moves[RootMoveCapacity + 1];
    const int count = collectLegalMoves(moves, RootMoveCapacity);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(move_to_uci(moves[i]));
    return texts;
}

inline bool referee_is_legal(const std::string& move) {
    for (const std::string& m : referee_legal_moves())
        if (m == move) return true;
    return false;
}

// The position line with one more move played.
inline std::string referee_line_after(const std::string& line, const std::string& move) {
    return line + (line.find(" moves") == std::string::npos ? " moves " : " ") + move;
}

// One bestmove line: the move and the expected reply (empty when there is none).
struct BestMove {
    std::string move, ponder, line;
};

// The bestmove lines of an output, in order.
inline std::vector<BestMove> bestmove_lines(const std::string& output) {
    std::vector<BestMove> found;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("bestmove", 0) != 0) continue;
        std::istringstream words(line);
        BestMove b;
        b.line = line;
        std::string word, keyword;
        words >> word >> b.move >> keyword >> b.ponder;
        if (keyword != "ponder") b.ponder.clear();
        found.push_back(b);
    }
    return found;
}

// Lines of the output that are exactly text.
inline int count_lines(const std::string& output, const std::string& text) {
    std::istringstream in(output);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) n += line == text;
    return n;
}

// Empty when the answer is right for a go in the position line (refused: the engine refused
// that position): a legal move, or "(none)" where there is none, and an expected reply legal
// after the move; otherwise what is wrong.
inline std::string judge_answer(const BestMove& answer, const std::string& position, bool refused) {
    if (refused) return answer.move == "(none)" ? "" : "a move for a refused position";
    if (!referee_position(position)) return "the referee refuses the position";
    const bool none = referee_legal_moves().empty();
    if (none) return answer.move == "(none)" ? "" : "a move where there is none";
    if (!referee_is_legal(answer.move)) return "an illegal move";
    if (answer.ponder.empty()) return "";
    if (!referee_position(referee_line_after(position, answer.move)))
        return "the move does not replay";
    return referee_is_legal(answer.ponder) ? "" : "an illegal expected reply";
}
