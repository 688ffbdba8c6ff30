#include "uci/position_command.h"

#include "board/keys.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "eval/pawn_structure.h"
#include "eval/prepare.h"
#include "search/hash_table.h"
#include "shell/input_reader.h"
#include "shell/startup.h"
#include "uci/debug_commands.h"
#include "uci/dispatcher.h"
#include "uci/position_display.h"

#include <gtest/gtest.h>

#include "uci/dispatch_line.h"

#include <string>

namespace {

class PositionCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        init_engine_tables_once();
        reset_dispatcher_state();
        uci_mode = 1;
        console_mode = 0;
        use_book = own_book_option = saved_use_book = 1;
        time_factor = 170;
        HashEnabled = true; // keys are 0 without it
        run("isready");
    }
    void TearDown() override { HashEnabled = false; }

    // Dispatches one line at top level and returns what it wrote.
    static std::string run(const std::string& line, int context = 0) {
        return dispatch_line(line, context);
    }
    static std::string fen() {
        char text[100];
        game_position_fen(text);
        return text;
    }
};

// Forty plies of a quiet opening without repetition.
const char* FortyPlies = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 "
                         "f8e7 f1e1 b7b5 a4b3 d7d6 c2c3 e8g8 h2h3 c6b8 d2d4 b8d7 c3c4 c7c6 c4b5 "
                         "a6b5 b1c3 c8b7 c1g5 b5b4 c3b1 h7h6 g5h4 c6c5 d4e5 d6e5 b1d2 d8c7 a1c1 "
                         "f8d8 d1e2 c7b6";

} // namespace

TEST_F(PositionCommand, NewGameVersusContinuedGame) {
    run(FortyPlies);
    ASSERT_EQ(GamePly, 40);
    EXPECT_EQ(position_applied, 1);
    EXPECT_EQ(mode_char, 'B');

    // The same game continued keeps the book use of the game so far and the time factor.
    time_factor = 90;
    use_book = 0;
    run(std::string(FortyPlies) + " a2a3 a8a6");
    EXPECT_EQ(GamePly, 42);
    EXPECT_EQ(time_factor, 90);
    EXPECT_EQ(use_book, 0);

    // A shorter game is a new one: the time factor comes back, the book follows the option.
    run("position startpos moves e2e4 e7e5");
    EXPECT_EQ(GamePly, 2);
    EXPECT_EQ(time_factor, 170);
    EXPECT_EQ(use_book, 1);
    EXPECT_EQ(mode_char, 'B');
    run("position startpos moves e2e4 e7e5 g1f3");
    EXPECT_EQ(use_book, 1);
    EXPECT_EQ(mode_char, 'N');

    own_book_option = 0;
    run("position startpos");
    EXPECT_EQ(use_book, 0);
    own_book_option = 1;
}

TEST_F(PositionCommand, FiftyPliesLeaveTheBook) {
    run(std::string(FortyPlies) + " a2a3 a8a6 e2d3 f6h5 h4e7 b6e6 d3b5 h5f4 b5a6 e6a6");
    EXPECT_EQ(GamePly, 50);
    EXPECT_EQ(use_book, 0);
    EXPECT_EQ(root_move_text[0][0], 0);
}

TEST_F(PositionCommand, HistoryRecordsAndRepetitionKeys) {
    run("position startpos moves g1f3 g8f6 f3g1 f6g8");
    ASSERT_EQ(GamePly, 4);
    EXPECT_EQ(LastIrreversiblePly, 0);
    EXPECT_EQ(KeyHistory[4], KeyHistory[0]); // the start position again
    EXPECT_FALSE(KeyHistory[2] == KeyHistory[0]);
    const KeyPair start = KeyHistory[0];

    // A capture starts the keys again at index 0 with the position after it.
    run("position startpos moves g1f3 g8f6 f3g1 f6g8 e2e4 d7d5 e4d5 g8f6");
    EXPECT_EQ(LastIrreversiblePly, 7);
    EXPECT_EQ(PlyStates[0].lastIrreversible, 7);
    EXPECT_FALSE(KeyHistory[0] == start);
    EXPECT_EQ(KeyHistory[1], fullKey(0));
    EXPECT_EQ(fen(), "rnbqkb1r/ppp1pppp/5n2/3P4/8/8/PPPP1PPP/RNBQKBNR w KQkq - 1 5");

    const GameHistoryEntry& capture = game_history[7];
    EXPECT_EQ(capture.fromCell, 54); // e4
    EXPECT_EQ(capture.toCell, 45);   // d5
    EXPECT_EQ(capture.captured, 'P');
    EXPECT_EQ(capture.ply, 7);
    EXPECT_EQ(capture.moveNumber, 4);
    EXPECT_EQ(capture.side, 1);
    EXPECT_EQ(game_history[8].side, 2);

    run("position startpos moves e2e4 d7d5 e4e5 f7f5 e5f6 e8f7 f6g7 f7e6 g7h8n e6d6 e1e2 c8g4 "
        "e2e3 g4d1");
    EXPECT_EQ(game_history[5].specialKind, 2);
    EXPECT_EQ(game_history[5].captured, 'P');
    EXPECT_EQ(game_history[9].specialKind, 3);
    EXPECT_EQ(game_history[9].promotion, 'C');
    EXPECT_EQ(game_history[9].captured, 'T');
    EXPECT_EQ(game_history[14].captured, 'D');
    EXPECT_EQ(LastIrreversiblePly, 14);
    EXPECT_EQ(fen(), "rn1q1bnN/ppp1p2p/3k4/3p4/8/4K3/PPPP1PPP/RNBb1BNR w - - 0 8");
}

TEST_F(PositionCommand, CastlingAndFenMoveNumbers) {
    run("position fen r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 5 20 moves e8g8 e1c1 g8g7");
    EXPECT_EQ(fen(), "r4r2/6k1/8/8/8/8/8/2KR3R w - - 8 22");
    EXPECT_EQ(PlyStates[0].castlingRights[White], CastledQueenSide);
    EXPECT_EQ(PlyStates[0].castlingRights[Black], CastledKingSide);
    EXPECT_EQ(game_history[1].specialKind, 1);
    EXPECT_EQ(mode_char, 'B');

    // A later startpos has white to move whatever the earlier FEN said.
    run("position startpos");
    EXPECT_EQ(SideToMove, White);
    EXPECT_EQ(fen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST_F(PositionCommand, IllegalPositionsAndMoveWords) {
    run("position startpos moves e2e4");
    const std::string afterE4 = fen();

    // The side not to move in check: set up, then refused.
    position_applied = 0;
    EXPECT_EQ(run("position fen 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1"), "info Position illegale\n");
    EXPECT_EQ(position_applied, 0);
    EXPECT_EQ(position_received, 0);
    EXPECT_EQ(fen(), "4k3/8/8/8/8/8/4R3/4K3 w - - 0 1");

    // A FEN that cannot be a position never reaches the board.
    run("position startpos moves e2e4");
    EXPECT_EQ(run("position fen 4k3/8/8/8/8/8/8/3KK3 w - - 0 1"), "info Position illegale\n");
    EXPECT_EQ(fen(), afterE4);
    EXPECT_EQ(standard_start, 1);

    // A bad move word stops the replay; the moves before it stand.
    EXPECT_EQ(run("position startpos moves e2e4 e7e5 e1e3 g1f3"),
              "info string Illegal move e1e3\n");
    EXPECT_EQ(GamePly, 2);
    EXPECT_EQ(position_applied, 1);
    EXPECT_EQ(fen(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2");
    // Upper-case words are long-algebraic moves too.
    run("position startpos moves E2E4");
    EXPECT_EQ(fen(), afterE4);
}

TEST_F(PositionCommand, FenFieldChecks) {
    struct Case {
        std::vector<const char*> fields;
        bool valid;
    } cases[] = {
        {{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", "w", "KQkq", "-", "0", "1"}, true},
        {{"4k3/8/8/8/8/8/8/4K3", "b"}, true},
        {{"4k3/8/8/8/8/8/8/4K3", "w", "-", "e6"}, true},
        {{"4k3/8/8/8/8/8/8/4K3", "w", "Kk", "-", "12"}, true},
        {{"4k3/8/8/8/8/8/8/4K3"}, false},
        {{"4k3/8/8/8/8/8/8/4K3", "W"}, false},
        {{"4k3/8/8/8/8/8/8/4K3", "w", "KK"}, false},
        {{"4k3/8/8/8/8/8/8/4K3", "w", ""}, false},
        {{"4k3/8/8/8/8/8/8/4K3", "w", "-", "e4"}, false},
        {{"4k3/8/8/8/8/8/8/4K3", "w", "-", "-", "-1"}, false},
        {{"4k3/8/8/8/8/8/8/4K3", "w", "-", "-", "0", "1", "2"}, false},
        {{"4k3/8/8/8/8/8/8/4K2", "w"}, false},
        {{"4k3/8/8/8/8/8/8/4K4", "w"}, false},
        {{"4k3/8/8/8/8/8/8/8/4K3", "w"}, false},
        {{"4k3/8/8/8/8/8/4K3", "w"}, false},
        {{"4k3/8/8/8/8/8/8/4K3/", "w"}, false},
        {{"4k3/8/8/8/8/8/8/4X3", "w"}, false},
        {{"4k3/8/8/8/8/8/8/40K3", "w"}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fen_fields_valid(c.fields.data(), int(c.fields.size())), c.valid)
            << c.fields[0] << " " << c.fields.size();
}

TEST_F(PositionCommand, PositionArrivingInASearchIsSetUpAtTheTopLevel) {
    run("position startpos");
    command_line = "position startpos moves d2d4"; // arrives during a search
    testing::internal::CaptureStdout();
    handle_command_line(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(held_line, "position startpos moves d2d4");
    EXPECT_EQ(GamePly, 0);
    // A line that reaches the dispatcher inside a search never sets a position up.
    run("position startpos moves e2e4", 1);
    EXPECT_EQ(GamePly, 0);
    testing::internal::CaptureStdout();
    poll_uci_input(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(held_line.empty());
    EXPECT_EQ(GamePly, 1);
    EXPECT_EQ(fen(), "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1");
}

TEST_F(PositionCommand, ShowPositionDrawsTheBoardFenAndKey) {
    auto show = [](const std::string& line) {
        run(line);
        testing::internal::CaptureStdout();
        show_position_command();
        return testing::internal::GetCapturedStdout();
    };
    const std::string start = show("position startpos");
    EXPECT_NE(start.find(" | r | n | b | q | k | b | n | r | 8\n"), std::string::npos) << start;
    EXPECT_NE(start.find(" | R | N | B | Q | K | B | N | R | 1\n"), std::string::npos) << start;
    const size_t fenAt =
        start.find("Fen: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n");
    ASSERT_NE(fenAt, std::string::npos) << start;
    const size_t keyAt = start.find("Key: ", fenAt);
    ASSERT_NE(keyAt, std::string::npos);
    const std::string key = start.substr(keyAt + 5, 17);
    EXPECT_EQ(key.find_first_not_of("0123456789ABCDEF"), 16u) << key;
    EXPECT_NE(key, "0000000000000000\n");

    // The same position reached again has the same key; another position another key.
    const std::string again = show("position startpos moves g1f3 g8f6 f3g1 f6g8");
    EXPECT_NE(again.find("Key: " + key), std::string::npos);
    const std::string other = show("position startpos moves g1f3");
    EXPECT_EQ(other.find("Key: " + key), std::string::npos);
}

namespace {

// The summaries the evaluation reads after a position command: accumulators and pawn summary.
struct EvaluationView {
    int16_t material, mobilityTotal, squareValueTotal, pawnScore;
    int16_t extraTotal;
    uint8_t phase, passed[2], topPasser[2];
    int16_t castleScore[2], openLineDanger[2];
    bool operator==(const EvaluationView&) const = default;
};

EvaluationView evaluation_view(const PlyState& s) {
    return {s.material,
            s.mobilityTotal,
            s.squareValueTotal,
            s.pawnScore,
            s.extraTotal,
            s.phase,
            {s.passedCount[0], s.passedCount[1]},
            {s.topPasser[0], s.topPasser[1]},
            {s.castleScore[0], s.castleScore[1]},
            {s.openLineDanger[0], s.openLineDanger[1]}};
}

TEST_F(PositionCommand, LeavesTheEvaluationSummariesOfTheGamePositionCurrent) {
    for (const char* line : {FortyPlies, "position startpos moves e2e4 d7d5 e4d5",
                             "position fen 4k3/pp6/8/3P4/8/8/5PPP/4K2R w K - 0 30 moves e1g1"}) {
        run(line);
        ASSERT_EQ(position_applied, 1) << line;
        const EvaluationView applied = evaluation_view(PlyStates[0]);
        refresh_accumulators(SearchNodes[0]);
        evaluate_pawns(SearchNodes[0]);
        EXPECT_EQ(evaluation_view(PlyStates[0]), applied) << line;
    }
}

TEST_F(PositionCommand, NewGameRecordsCarryTheMiddleGameSquareValues) {
    run("position startpos moves g1f3");
    // The knight left on b1 is worth -70 there, the one on f3 +40; the records carry them.
    EXPECT_EQ(Board[8].piece->moves->squareValue, -70);
    EXPECT_EQ(Board[42].piece->moves->squareValue, 40);
}

} // namespace
