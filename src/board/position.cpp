#include "board/position.h"

#include <cstdlib>
#include <initializer_list>

#include "board/geometry.h"
#include "board/keys.h"
#include "board/move_table.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "core/settings.h"

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
int8_t GameStartBoard[89];
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

PieceMoveRecord MoveRecords[32 * MaxPly];
MOVE QuietMoveBuffers[MaxPly][32][QuietListSize];
MOVE CaptureMoveBuffers[MaxPly][32][CaptureListSize];
MOVE LastGameMove = 0;

namespace {

constexpr uint8_t RangeClass[7] = {0, 1, 1, 4, 4, 8, 1};

void link_move_records() {
    for (int slot = 0; slot < 32; ++slot) {
        for (int ply = 0; ply < MaxPly; ++ply) {
            PieceMoveRecord& r = moveRecord(slot, ply);
            r = PieceMoveRecord{};
            r.quiet = QuietMoveBuffers[ply][slot];
            r.captures = CaptureMoveBuffers[ply][slot];
            r.previous = &r;
        }
    }
}

// A fresh ply-0 record: no moves, no figures, linked to itself.
void reset_root_record(PieceEntry& e) {
    PieceMoveRecord& r = moveRecord(e.slot, 0);
    MOVE* quiet = r.quiet;
    MOVE* captures = r.captures;
    r = PieceMoveRecord{};
    r.quiet = quiet;
    r.captures = captures;
    r.quiet[0] = r.captures[0] = 0;
    r.previous = &r;
    e.moves = &r;
}

// Takes the next free slot of a colour from counter upwards; false when none is left.
bool take_slot(bool* taken, int& counter, int limit, int& slot) {
    while (counter < limit && taken[counter]) ++counter;
    if (counter >= limit) return false;
    slot = counter++;
    taken[slot] = true;
    return true;
}

void place(PieceEntry& e, int letter, int colour, int sq) {
    e.letter = uint8_t(letter);
    e.sign = int8_t(colour_sign(colour));
    e.colour = uint8_t(colour);
    e.square = uint8_t(sq);
    e.file = uint8_t(file_of(sq));
    e.rank = uint8_t(rank_of(sq));
}

// The double step that led to the en-passant target, when the board agrees with it; the root
// en-passant square is set only when a pawn of the side to move can capture.
void reconstruct_double_step(SearchNode& root, int skipped) {
    int up = SideToMove == White ? -1 : 1; // direction the enemy pawn moved
    int from = skipped - up, to = skipped + up;
    if (skipped < 0 || skipped > 63 || rank_of(skipped) != (SideToMove == White ? 5 : 2)) return;
    const BoardSquare& arrival = Board[to];
    if (arrival.letter != LetterPawn || arrival.colour == SideToMove) return;
    if (Board[from].letter != 0 || Board[skipped].letter != 0) return;
    LastGameMove =
        MOVE(to) | MOVE(from) << MoveFromShift | MOVE(TypePawn) << MoveMoverShift | ClassQuiet;
    if ((CastlingSquares & (square_bit(from) | square_bit(to))) != 0)
        LastGameMove |= MoveCastlingSquare;
    for (int side : {-8, 8}) {
        int beside = to + side;
        if (beside < 0 || beside > 63) continue;
        if (Board[beside].letter == LetterPawn && Board[beside].colour == SideToMove)
            root.EnPassantSquare = uint8_t(skipped);
    }
}

} // namespace

void initBoardSquares() {
    for (int sq = 0; sq < 64; ++sq) {
        BoardSquare& b = Board[sq];
        clearSquare(b);
        b.square = uint8_t(sq);
        b.file = uint8_t(file_of(sq));
        b.rank = uint8_t(rank_of(sq));
        b.antiDiagonal = uint8_t(file_of(sq) - rank_of(sq) + 7);
        b.diagonal = uint8_t(file_of(sq) + rank_of(sq));
    }
    link_move_records();
}

void clearSquare(BoardSquare& b) {
    b.letter = 0;
    b.sign = 0;
    b.colour = NoColour;
    b.slot = EmptySlot;
    b.absValue = 0;
    b.piece = &EmptyPieceEntry;
}

void refreshPieceEntry(PieceEntry& e) {
    int type = letter_type(e.letter);
    e.value = int16_t(e.sign * PieceValue[type]);
    e.kind = uint8_t(piece_kind(type, e.colour));
    e.rangeClass = RangeClass[type];
    const KeyPair& k = PieceSquareKeys[e.kind * 64 + e.square];
    e.key32 = k.key32;
    e.key64 = k.key64;
}

uint8_t gamePhase(const PlyState& s) {
    int w = s.nonPawnMaterial[White], b = s.nonPawnMaterial[Black];
    if (w == 0 && b == 0) return 3;
    if (w >= 1001 && b >= 1001) return 0;
    if (w <= 500 && b <= 500) return 2;
    return 1;
}

void place_standard_start() {
    standardStartMailbox(SetupBoard);
    SetupCastlingRights[White] = CastleKingSide | CastleQueenSide;
    SetupCastlingRights[Black] = CastleKingSide | CastleQueenSide;
}

bool setup_board_plausible() {
    int kings[2] = {0, 0}, pieces[2] = {0, 0};
    for (int cell = 0; cell < 89; ++cell) {
        const int v = SetupBoard[cell];
        if (v == 0) continue;
        const int file = cell / 10 - 1, rank = cell % 10 - 1;
        const int letter = v < 0 ? -v : v;
        if (file < 0 || file > 7 || rank < 0 || rank > 7 || letter_type(letter) == 0) return false;
        const int colour = v > 0 ? White : Black;
        ++pieces[colour];
        if (letter == LetterKing) ++kings[colour];
        if (letter == LetterPawn && (rank == 0 || rank == 7)) return false;
    }
    return kings[White] == 1 && kings[Black] == 1 && pieces[White] <= 16 && pieces[Black] <= 16;
}

bool setupPosition(uint8_t sideToMove, uint8_t enPassantTarget) {
    GamePly = 0;
    LastIrreversiblePly = 0;
    use_book = own_book_option;
    KeyVariant = 0;
    LastGameMove = 0;
    SearchPly = 0;
    for (int k = 0; k < MaxPly; ++k) MoveAtPly[k] = NO_MOVE;

    for (int sq = 0; sq < 64; ++sq) clearSquare(Board[sq]);

    PlyState& ps = PlyStates[0];
    ps = PlyState{};
    ps.queenSquare[White] = ps.queenSquare[Black] = 255;
    ps.castlingRights[White] = SetupCastlingRights[White] & (CastleKingSide | CastleQueenSide);
    ps.castlingRights[Black] = SetupCastlingRights[Black] & (CastleKingSide | CastleQueenSide);
    PlyStates[1].lastIrreversible = 0;

    for (int slot = 0; slot < 32; ++slot) {
        PieceList[slot] = PieceEntry{};
        PieceList[slot].slot = uint8_t(slot);
        PieceList[slot].moves = &moveRecord(slot, 0);
    }
    int8_t cells[89];
    for (int i = 0; i < 89; ++i) cells[i] = GameStartBoard[i] = SetupBoard[i];
    KingIndex[White] = 8;
    KingIndex[Black] = 25;

    // Kings and rooks on their home squares keep fixed slots; castling needs them there.
    struct Fixed {
        int sq, letter, colour, slot;
        uint8_t lostRights;
    };
    const Fixed fixed[] = {
        {SqE1, LetterKing, White, 8, CastleKingSide | CastleQueenSide},
        {SqE8, LetterKing, Black, 25, CastleKingSide | CastleQueenSide},
        {SqA1, LetterRook, White, 0, CastleQueenSide},
        {SqA8, LetterRook, Black, 17, CastleQueenSide},
        {SqH1, LetterRook, White, 14, CastleKingSide},
        {SqH8, LetterRook, Black, 31, CastleKingSide},
    };
    bool taken[32] = {};
    for (const Fixed& f : fixed) {
        int cell = mailbox_cell(f.sq);
        int want = f.colour == White ? f.letter : -f.letter;
        if (cells[cell] == want) {
            place(PieceList[f.slot], f.letter, f.colour, f.sq);
            taken[f.slot] = true;
            cells[cell] = 0;
        } else {
            ps.castlingRights[f.colour] &= uint8_t(~f.lostRights);
        }
    }

    int counter[2] = {16, 0}; // [Black], [White]
    for (int sq = 0; sq < 64; ++sq) {
        int v = cells[mailbox_cell(sq)];
        if (v == 0) continue;
        int colour = v > 0 ? White : Black;
        int letter = v > 0 ? v : -v;
        if (letter_type(letter) == 0) continue;
        int slot;
        if (!take_slot(taken, counter[colour], colour == White ? 16 : 32, slot)) return false;
        place(PieceList[slot], letter, colour, sq);
        if (letter == LetterKing) KingIndex[colour] = uint8_t(slot);
    }

    LastPieceIndex[White] = 15;
    LastPieceIndex[Black] = 31;
    for (PieceEntry& e : PieceList) {
        if (!e.letter) continue;
        refreshPieceEntry(e);
        reset_root_record(e);
        ps.material = int16_t(ps.material + e.value);
        int c = e.colour;
        switch (e.letter) {
        case LetterPawn: ++ps.pawnCount[c]; break;
        case LetterKnight: ++ps.knightCount[c]; break;
        case LetterBishop:
            ++ps.bishopCount[c];
            ps.bishopSquareColour[c][(e.file + e.rank) & 1] = 1;
            break;
        case LetterRook: ++ps.rookCount[c]; break;
        case LetterQueen: ++ps.queenCount[c]; break;
        default: break;
        }
        if (e.letter != LetterPawn && e.letter != LetterKing)
            ps.nonPawnMaterial[c] = uint16_t(ps.nonPawnMaterial[c] + std::abs(e.value));
        BoardSquare& b = Board[e.square];
        b.letter = e.letter;
        b.sign = e.sign;
        b.colour = e.colour;
        b.slot = e.slot;
        b.absValue = uint32_t(std::abs(e.value));
        b.piece = &e;
        (e.letter == LetterPawn ? ps.pawns[c] : ps.pieces[c]) |= square_bit(e.square);
    }
    for (int c = 0; c < 2; ++c) {
        const PieceEntry& king = PieceList[KingIndex[c]];
        ps.kingSquare[c] = king.square;
        ps.kingFile[c] = king.file;
        ps.kingRank[c] = king.rank;
        ps.kingWing[c] = kingWing(king.file, ps.castlingRights[c]);
    }
    ps.phase = gamePhase(ps);
    recomputePieceKeys(ps);

    SideToMove = sideToMove == White ? White : Black;
    for (SearchNode& node : SearchNodes) node.regeneratedCount = 0; // every record is ply 0 now
    SearchNode& root = SearchNodes[0];
    root.EnPassantSquare = 0;
    root.mateFound = 0;
    root.pinCandidateFlag = 0;
    if (enPassantTarget != 0) reconstruct_double_step(root, int(enPassantTarget) - 8);

    root.side = SideToMove;
    updateMoves(root, FullUpdate);
    KeyHistory[0] = fullKey(0);
    return true;
}

void initBoardRules() {
    initSearchNodes();
    initGeometry();
    initBoardSquares();
    buildMoveTable();
    initKeys();
}
