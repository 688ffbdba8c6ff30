// State of the running search shared by its nodes: the deepest ply reached, the null move on the
// current path, where the path left the principal variation, and the quiescence check limit.
// Written by the nodes of the search and by the root; read by the picker and the reports.
#pragma once

#include <cstdint>

extern int8_t SelDepth;        // highest SearchPly reached in the current search
extern uint8_t NullMoveActive; // a null move lies on the current path
extern int8_t NullMovePly;     // the ply that made it
extern int8_t NullMoveSign;    // colour sign of the side that made it
extern int8_t PvSubtreePly;    // ply at which the path left the principal variation (0 on it)
extern uint8_t AttackMode;     // the attack extensions are enabled (set by the root)
extern int CheckPlyLimit;      // quiescence: last ply with quiet checks, 255 outside one

// Back to the state before any search (tests, bench).
void resetSearchState();

// Forgets everything earlier searches learnt: both tables, the histories, the killers, the
// principal variations and the root's figures. The bench starts every position from here.
void clearSearchMemory();
