#include "board/types.h"

#include <gtest/gtest.h>

TEST(MoveCode, FieldsDecodeFromTheirMasks) {
    // e2e4: from 33 to 35, a pawn (type 1) with the quiet ordering class.
    MOVE m = 35 | (33 << MoveFromShift) | (TypePawn << MoveMoverShift) | ClassQuiet;
    EXPECT_EQ(move_to(m), 35);
    EXPECT_EQ(move_from(m), 33);
    EXPECT_EQ(move_mover(m), TypePawn);
    EXPECT_EQ(move_captured(m), 0);
    EXPECT_TRUE(is_real_move(m));
    EXPECT_FALSE(is_real_move(NULL_MOVE));
    EXPECT_FALSE(is_real_move(NO_MOVE));
    EXPECT_EQ(move_to(NULL_MOVE), 0);
    EXPECT_EQ(move_from(NULL_MOVE), 0);
}

TEST(Squares, MailboxCellsRoundTrip) {
    for (int sq = 0; sq < 64; ++sq) EXPECT_EQ(mailbox_square(mailbox_cell(sq)), sq);
    EXPECT_EQ(mailbox_cell(0), 11);
    EXPECT_EQ(mailbox_cell(63), 88);
}
