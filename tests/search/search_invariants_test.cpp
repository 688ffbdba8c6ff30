// Whole searches on many random positions: a legal best move whenever there is one, and the game
// position exactly as it was.
#include <cstring>
#include <random>
#include <vector>

#include "search/search_fixture.h"

namespace {

class SearchInvariants : public SearchFixture {};

const char* const Starts[] = {
    "startpos",
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "fen 8/1P4k1/8/8/8/8/6p1/K7 w - - 0 1",
};

} // namespace

TEST_F(SearchInvariants, RandomPositionsKeepTheGameAndGiveLegalMoves) {
    std::mt19937 random(20261210);
    static BoardSquare boardBefore[64];
    static PieceEntry piecesBefore[32];
    int searched = 0;
    for (int game = 0; game < 240; ++game) {
        const std::string start = Starts[random() % (sizeof Starts / sizeof Starts[0])];
        std::string moves;
        ASSERT_TRUE(set_position(start)) << start;
        const int length = int(random() % 50);
        for (int ply = 0; ply < length; ++ply) {
            MOVE legal[RootMoveCapacity + 1];
            const int count = collectLegalMoves(legal, RootMoveCapacity);
            if (count == 0) break;
            moves += ' ';
            moves += uci(legal[random() % count]);
            std::string words = start;
            words.append(" moves").append(moves);
            ASSERT_TRUE(set_position(words)) << words;
        }
        MOVE legal[RootMoveCapacity + 1];
        const int count = collectLegalMoves(legal, RootMoveCapacity);
        std::memcpy(boardBefore, Board, sizeof Board);
        std::memcpy(piecesBefore, PieceList, sizeof PieceList);
        const PlyState stateBefore = PlyStates[0];

        if (random() % 2)
            search(int(1 + random() % 5));
        else
            search(0, 1 + random() % 40000);
        ++searched;

        std::string where = start;
        where.append(" moves").append(moves);
        EXPECT_EQ(SearchPly, 0) << where;
        EXPECT_EQ(std::memcmp(boardBefore, Board, sizeof Board), 0) << where;
        EXPECT_EQ(std::memcmp(piecesBefore, PieceList, sizeof PieceList), 0) << where;
        EXPECT_EQ(std::memcmp(&stateBefore, &PlyStates[0], sizeof stateBefore), 0) << where;
        EXPECT_EQ(positionInconsistency(SearchNodes[0]), nullptr) << where;
        const MOVE m = best();
        if (count == 0) {
            EXPECT_EQ(m, 0u) << where;
            continue;
        }
        bool found = false;
        for (int i = 0; i < count; ++i)
            found |= (legal[i] & MoveIdentityMask) == (m & MoveIdentityMask);
        EXPECT_TRUE(found) << where << " best " << uci(m);
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(searched, 240);
}
