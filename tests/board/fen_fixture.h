// Test helper: sets up a position from FEN text through the engine's set-up.
#pragma once

#include <cctype>
#include <cstring>
#include <sstream>
#include <string>

#include "board/position.h"

inline void init_board_rules_once() {
    static bool done = false;
    if (!done) initBoardRules();
    done = true;
}

// Fills SetupBoard, SetupCastlingRights and SetupEnPassant from fen and runs setupPosition.
inline bool setup_fen(const std::string& fen) {
    init_board_rules_once();
    std::istringstream in(fen);
    std::string placement, side = "w", castling = "-", ep = "-";
    in >> placement >> side >> castling >> ep;
    std::memset(SetupBoard, 0, sizeof SetupBoard);
    int file = 0, rank = 7;
    for (char ch : placement) {
        if (ch == '/') {
            --rank;
            file = 0;
        } else if (std::isdigit(static_cast<unsigned char>(ch))) {
            file += ch - '0';
        } else {
            const char* english = "pnbrqk";
            const char* french = "PCFTDR";
            const char* at = std::strchr(english, std::tolower(static_cast<unsigned char>(ch)));
            if (!at || file > 7 || rank < 0) return false;
            int letter = french[at - english];
            SetupBoard[mailbox_cell(make_square(file, rank))] =
                int8_t(std::isupper(static_cast<unsigned char>(ch)) ? letter : -letter);
            ++file;
        }
    }
    SetupCastlingRights[White] = SetupCastlingRights[Black] = 0;
    for (char ch : castling) {
        if (ch == 'K') SetupCastlingRights[White] |= CastleKingSide;
        if (ch == 'Q') SetupCastlingRights[White] |= CastleQueenSide;
        if (ch == 'k') SetupCastlingRights[Black] |= CastleKingSide;
        if (ch == 'q') SetupCastlingRights[Black] |= CastleQueenSide;
    }
    SetupEnPassant = 0;
    if (ep.size() == 2 && ep[0] >= 'a' && ep[0] <= 'h' && ep[1] >= '1' && ep[1] <= '8')
        SetupEnPassant = uint8_t(8 * (ep[0] - 'a' + 1) + (ep[1] - '1'));
    return setupPosition(side == "b" ? Black : White, SetupEnPassant);
}

// Square from text such as "e4".
inline int sq(const char* name) {
    return make_square(name[0] - 'a', name[1] - '1');
}

// The generated move of the side to move at node from one square to another (promotion type
// when several match: TypeQueen by default); 0 when the lists do not hold it.
inline MOVE find_move(const SearchNode& node, const char* from, const char* to,
                      int promotion = TypeQueen) {
    int side = node.side;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0) continue;
        for (const MOVE* list : {e.moves->captures, e.moves->quiet}) {
            for (const MOVE* p = list; *p; ++p) {
                if (move_from(*p) != sq(from) || move_to(*p) != sq(to)) continue;
                if (move_special(*p) == MovePromotion && move_promotion_type(*p) != promotion)
                    continue;
                return *p;
            }
        }
    }
    return 0;
}

// Plays a game move on node 0 the way the game loop does: make, castling rights, counters,
// regeneration and the key history. Returns the move, 0 when it is not generated.
MOVE play_game_move(const char* from, const char* to, int promotion = TypeQueen);
