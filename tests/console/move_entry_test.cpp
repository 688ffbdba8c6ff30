// The player's move entry at the console: moves, commands, take-backs, resignations, promotions,
// and the move typed while the engine thinks on the player's time.
#include "console/move_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/consistency.h"
#include "console/console_fixture.h"
#include "console/take_back.h"
#include "core/settings.h"
#include "eval/evaluate.h"
#include "search/root_search.h"
#include "search/search_flags.h"
#include "search/search_node.h"

namespace {

using MoveEntry = ConsoleFixture;

// The key and the side to move of the game position.
struct GameState {
    KeyPair key;
    uint8_t side;
    int ply;
};
GameState game_state() {
    return {nodeKey(SearchNodes[0], true), SideToMove, GamePly};
}
bool same_state(const GameState& a, const GameState& b) {
    return a.key == b.key && a.side == b.side && a.ply == b.ply;
}

TEST_F(MoveEntry, TakeBackChainOfThreeLeavesControlMode) {
    start_console_game("startpos moves e2e4 e7e5 g1f3 b8c6 f1b5", 'N');
    EXPECT_EQ(human_move_with("TB\ryyn"), 99);
    EXPECT_NE(said.find("\n1     e4     e5 \n2    Nf3    Nc6 \n\n 1 coup repris - Blanc à jouer"
                        "\nFaut-il reprendre un autre coup (y/n) : y"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("\n 2 coups repris - Noir à jouer"), std::string::npos) << said;
    EXPECT_NE(said.find("\n1     e4     e5 \n\n 3 coups repris - Blanc à jouer"
                        "\nFaut-il reprendre un autre coup (y/n) : n"),
              std::string::npos)
        << said;
    EXPECT_EQ(take_back_count, 3);
    EXPECT_EQ(mode_char, 'C');
    EXPECT_EQ(positionInconsistency(SearchNodes[0]), nullptr);
    EXPECT_EQ(last_reported_score, evaluate(SearchNodes[0]));
    const GameState after = game_state();

    // The same game without the three plies, set up directly.
    ASSERT_TRUE(set_position("startpos moves e2e4 e7e5"));
    EXPECT_TRUE(same_state(after, game_state()));

    const std::string record = read_file(record_path);
    // The game goes on: the record is the running one (moves appended later keep it true).
    EXPECT_NE(record.find("[Result \"*\"]\n[ECO \"\"]\n[PlyCount \"\"]\n\n1.e4 e5 "),
              std::string::npos)
        << record;
    EXPECT_EQ(record.find("Nf3"), std::string::npos) << record;
}

TEST_F(MoveEntry, TakeBackScoreOfAGameBlackBegan) {
    // Black moved first: Black's moves stand in Black's column, numbered from the position's move.
    start_console_game("fen 4k3/7p/8/8/8/8/8/4K3 b - - 0 12 moves h7h6 e1f1 h6h5 f1e1 h5h4", 'N');
    EXPECT_EQ(human_move_with("TB\ryyyn"), 99);
    EXPECT_NE(said.find("\n12    ...     h6 \n13    Kf1     h5 \n14    Ke1 \n\n 1 coup repris"
                        " - Noir à jouer"),
              std::string::npos)
        << said;
    EXPECT_NE(
        said.find("\n12    ...     h6 \n13    Kf1     h5 \n\n 2 coups repris - Blanc à jouer"),
        std::string::npos)
        << said;
    EXPECT_NE(said.find("\n12    ...     h6 \n\n 4 coups repris - Blanc à jouer"),
              std::string::npos)
        << said;
    EXPECT_EQ(GamePly, 1);
}

TEST_F(MoveEntry, TakeBackReachesTheStartAndNoFurther) {
    start_console_game("startpos moves e2e4", 'N');
    EXPECT_EQ(human_move_with("TB\r"), 99);
    EXPECT_NE(said.find("\n=>Debut de partie\n\n 1 coup repris - Blanc à jouer"), std::string::npos)
        << said;
    EXPECT_EQ(said.find("Faut-il"), std::string::npos) << said;
    EXPECT_EQ(GamePly, 0);

    EXPECT_EQ(human_move_with("TB\re2e4\r"), 0);
    EXPECT_NE(said.find("Take back impossible - Position de départ"), std::string::npos) << said;
    EXPECT_EQ(uci(best_move), "e2e4");
}

TEST_F(MoveEntry, TakeBackKeepsCastlingEnPassantAndPromotion) {
    // White castles, takes en passant and promotes; taking back each ply in turn always leaves
    // the position that the shorter game gives.
    const std::string start = "fen r3k2r/6P1/8/8/4p3/8/3P4/R3K2R w KQkq - 0 1";
    const char* moves[] = {"e1g1", "e8c8", "d2d4", "e4d3", "g7g8q", "d8g8"};
    std::string words = start + " moves";
    for (const char* m : moves) words += std::string(" ") + m;
    start_console_game(words, 'C');
    for (int plies = 5; plies >= 0; --plies) {
        ASSERT_EQ(human_move_with(plies > 0 ? "TB\rn" : "TB\r"), 99) << plies;
        ASSERT_EQ(positionInconsistency(SearchNodes[0]), nullptr) << plies;
        const GameState after = game_state();
        std::string shorter = start + " moves";
        for (int i = 0; i < plies; ++i) shorter += std::string(" ") + moves[i];
        ASSERT_TRUE(set_position(shorter)) << shorter;
        EXPECT_TRUE(same_state(after, game_state())) << shorter;
        start_console_game(shorter, 'C');
    }
}

TEST_F(MoveEntry, ModeCommands) {
    start_console_game("startpos", 'B'); // the engine plays white and white is to move
    EXPECT_EQ(human_move_with("CM\raCM\rbC\r"), 88);
    EXPECT_EQ(mode_char, 'C'); // A and B changed nothing, C did
    EXPECT_NE(said.find("\nChange Mode\nMode automatique : A\nOrdinateur=blanc=white : B\n"
                        "Ordinateur=noir=black  : N\nContrôle coups : C\n"
                        "Entrez le mode sélectionné : a\nVotre coup : "),
              std::string::npos)
        << said;

    mode_char = 'N';
    EXPECT_EQ(human_move_with("CM\ra"), 88);
    EXPECT_EQ(mode_char, 'A');

    mode_char = 'C';
    EXPECT_EQ(human_move_with("P\r"), 88);
    EXPECT_EQ(mode_char, 'B');
    EXPECT_NE(said.find("\nPlaying...\n"), std::string::npos);
    mode_char = 'C';
    EXPECT_EQ(human_move_with("CC\r"), 88);
    EXPECT_EQ(mode_char, 'B');
}

TEST_F(MoveEntry, ClockChangesAndRefusedMoves) {
    start_console_game("startpos", 'N');
    side_clock[White] = side_clock[Black] = 600;
    time_used[White] = time_used[Black] = 0;
    EXPECT_EQ(human_move_with("CTB\r3\rCTN\r-2\rE2E5\rE7E5\rE9E4\rzz\rE2E4\r"), 0);
    EXPECT_EQ(time_used[White], 600 - 180);
    EXPECT_EQ(time_used[Black], 600 + 120);
    EXPECT_NE(said.find("\nEntrer le temps restant en minutes : 3"), std::string::npos);
    EXPECT_EQ(uci(best_move), "e2e4");
    EXPECT_EQ(expected_reply, MarkAsk);
}

TEST_F(MoveEntry, ResignationsAreConfirmedOnce) {
    start_console_game("startpos", 'C');
    EXPECT_EQ(human_move_with("WR\rnAN\ro"), 10); // white's refused, then black resigns
    EXPECT_EQ(resign_confirmed, 1);
    EXPECT_NE(said.find("\nConfirmer (y/n) : n\nVotre coup : AN\nConfirmer (y/n) : o"),
              std::string::npos)
        << said;
    EXPECT_EQ(human_move_with("BA\r"), 9);
    EXPECT_EQ(said.find("Confirmer"), std::string::npos);

    resign_confirmed = 0;
    EXPECT_EQ(human_move_with("NA\ry"), 10);
}

TEST_F(MoveEntry, PlayerWithoutMovesEndsTheGame) {
    const struct {
        const char* words;
        int status;
    } cases[] = {
        {"startpos moves f2f3 e7e5 g2g4 d8h4", 4},      // white is mated: black wins
        {"startpos moves e2e4 f7f6 d2d4 g7g5 d1h5", 3}, // black is mated: white wins
        {"fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 5},      // stalemate
    };
    for (const auto& c : cases) {
        start_console_game(c.words, 'C');
        EXPECT_EQ(human_move_with(""), c.status) << c.words;
        EXPECT_EQ(said, "") << c.words;
    }
}

TEST_F(MoveEntry, PromotionAsksForThePiece) {
    start_console_game("fen 8/4P3/8/8/8/k7/8/K7 w - - 0 1", 'N');
    sound = 1;
    EXPECT_EQ(human_move_with("e7e8\rxt"), 0);
    EXPECT_NE(said.find("\a\nEntrez la pièce promue (DTFC) : t"), std::string::npos) << said;
    EXPECT_EQ(uci(best_move), "e7e8r");
}

TEST_F(MoveEntry, MoveTypedWhileTheEnginePonders) {
    start_console_game("startpos moves e2e4", 'B');
    std::memcpy(ponder_player_moves, root_moves, sizeof ponder_player_moves);
    ponder_player_side = Black;
    expected_move = find_uci_move("e7e5");
    const struct {
        const char* keys;
        int result;
        const char* move;    // opponent_move, when a move was typed
        const char* pending; // pending_command
    } cases[] = {
        {"e7e5\r", 1, "e7e5", ""},
        {"D7D5\r", 0, "d7d5", ""},
        {"E2E4\rE7E7\rE7E6\r", 0, "e7e6", ""}, // moves that are not black's are asked again
        {"TB\r", 2, nullptr, "TB"},
        {"CTN\r", 2, nullptr, "CTN"},
        {"WR\rBR\rne7e5\r", 1, "e7e5", ""}, // white cannot resign here; a refused resignation
        {"BR\ro", 2, nullptr, "BR"},        // goes back to the move
    };
    for (const auto& c : cases) {
        pending_command[0] = 0;
        expected_move_played = 0;
        opponent_move = 0;
        resign_confirmed = 0;
        give_keys(c.keys);
        testing::internal::CaptureStdout();
        EXPECT_EQ(ponder_move_entry(), c.result) << c.keys;
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(keys_used_up()) << c.keys;
        EXPECT_STREQ(pending_command, c.pending) << c.keys;
        if (c.move) {
            EXPECT_EQ(uci(opponent_move), c.move) << c.keys;
            EXPECT_EQ(expected_move_played, 1) << c.keys;
        } else {
            EXPECT_EQ(expected_move_played, 0) << c.keys;
        }
        EXPECT_EQ(resign_confirmed, std::string(c.pending) == "BR") << c.keys;
    }
}

TEST_F(MoveEntry, PromotionTypedWhileTheEnginePonders) {
    start_console_game("fen k7/8/8/8/8/8/4p3/K7 b - - 0 1", 'B');
    std::memcpy(ponder_player_moves, root_moves, sizeof ponder_player_moves);
    ponder_player_side = Black;
    expected_move = find_uci_move("e2e1q");
    give_keys("e2e1\rc");
    testing::internal::CaptureStdout();
    EXPECT_EQ(ponder_move_entry(), 0); // a knight, not the queen expected
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Entrez la pièce promue (DTFC) : c"),
              std::string::npos);
    EXPECT_EQ(uci(opponent_move), "e2e1n");
    give_keys("e2e1\rd");
    testing::internal::CaptureStdout();
    EXPECT_EQ(ponder_move_entry(), 1);
    testing::internal::GetCapturedStdout();
}

// The engine thinks on the player's time after its own move: the expected reply is made on the
// game board for the search and taken back, whatever the player types after S.
class ConsolePonder : public ConsoleFixture {
  protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        // White (the engine) has just castled; black is to move and expected to play d7d6.
        start_console_game("fen r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"
                           " moves e1g1",
                           'B');
        ponder_enabled = 1;
        on_clock = clock_running = 1;
        unlimited = 0;
        side_clock[White] = side_clock[Black] = 60;
        time_used[White] = time_used[Black] = 0;
        move_credit_play = move_credit_input = 0;
        moves_to_go = 0;
        expected_reply = find_uci_move("d7d6");
        before = game_state();
        std::memcpy(moves_before, root_moves, sizeof moves_before);
    }
    void expect_position_unchanged() {
        EXPECT_TRUE(same_state(before, game_state()));
        EXPECT_EQ(std::memcmp(moves_before, root_moves, sizeof moves_before), 0);
        EXPECT_EQ(positionInconsistency(SearchNodes[0]), nullptr);
        EXPECT_EQ(pondering, 0);
    }

    GameState before;
    MOVE moves_before[RootMoveCapacity + 1];
};

TEST_F(ConsolePonder, ExpectedMoveKeepsTheSearchAndItsReply) {
    EXPECT_EQ(human_move_with("Sd7d6\r"), 0);
    EXPECT_NE(said.find("\nThinking (S to stop)...\nVotre coup : D7D6   - Coup enregistré -\n"),
              std::string::npos)
        << said;
    expect_position_unchanged();
    EXPECT_EQ(uci(best_move), "d7d6");
    ASSERT_EQ(ponder_result_ready, 1);
    // The reply is legal once the player's move is made.
    engine_busy = 0; // (the search left it set; the console never reads it)
    ASSERT_TRUE(set_position("fen r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - "
                             "4 4 moves e1g1 d7d6"));
    bool legal = false;
    for (int i = 0; root_moves[i]; ++i) legal |= root_moves[i] == ponder_best;
    EXPECT_TRUE(legal);
    EXPECT_GE(time_used[White], 1); // the search after the player's move was charged
}

TEST_F(ConsolePonder, OtherMoveDropsTheSearch) {
    EXPECT_EQ(human_move_with("Sg8f6\r"), 0);
    expect_position_unchanged();
    EXPECT_EQ(uci(best_move), "g8f6");
    EXPECT_EQ(ponder_result_ready, 0);
    EXPECT_EQ(ponder_result_found, 0);
}

TEST_F(ConsolePonder, CommandTypedDuringTheSearchIsTakenNext) {
    EXPECT_EQ(human_move_with("SCM\rc"), 88);
    EXPECT_EQ(mode_char, 'C');
    expect_position_unchanged();

    // A resignation refused while the engine searches: the game goes on with the player's move.
    mode_char = 'B';
    EXPECT_EQ(human_move_with("SBR\rng8f6\r"), 0);
    EXPECT_NE(said.find("\nVotre coup : BR\nConfirmer (y/n) : n\nVotre coup : G8F6"),
              std::string::npos)
        << said;
    EXPECT_EQ(uci(best_move), "g8f6");
    EXPECT_EQ(resign_confirmed, 0);
    expect_position_unchanged();

    EXPECT_EQ(human_move_with("SBR\ro"), 10); // confirmed once, while the engine searched
    EXPECT_EQ(std::string(said).find("Confirmer"), said.rfind("Confirmer"));
    expect_position_unchanged();
}

} // namespace
