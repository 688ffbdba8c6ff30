#include "board/position.h"

BoardSquare Board[64];
PieceEntry PieceList[32];
PieceEntry EmptyPieceEntry = {EmptySlot, 0, 0, NoColour, 0, 0, 0, 0, 0, 0, 0, 0, nullptr};
PlyState PlyStates[MaxPly + 1];
SearchNode SearchNodes[MaxPly];
MOVE MoveAtPly[MaxPly];

uint8_t SideToMove = White;
int8_t SearchPly = 0;
int16_t GamePly = 0;
int16_t LastIrreversiblePly = 0;
uint8_t LastPieceIndex[2] = {31, 15};
uint8_t KingIndex[2] = {25, 8};

KeyPair KeyHistory[KeyHistorySize];

int8_t SetupBoard[89];
uint8_t SetupCastlingRights[2] = {3, 3};
uint8_t SetupEnPassant = 0;

void initSearchNodes() {
    for (int k = 0; k < MaxPly; ++k) {
        SearchNode& node = SearchNodes[k];
        node = SearchNode{};
        node.index = k;
        node.next = k + 1 < MaxPly ? &SearchNodes[k + 1] : nullptr;
        node.previous = k > 0 ? &SearchNodes[k - 1] : nullptr;
        node.state = &PlyStates[k];
        node.nextState = &PlyStates[k + 1];
        node.previousState = k > 0 ? &PlyStates[k - 1] : &PlyStates[0];
        node.moveAtPly = &MoveAtPly[k];
        node.previousMoveAtPly = k > 0 ? &MoveAtPly[k - 1] : nullptr;
        node.parity = uint8_t(k & 1);
    }
}
