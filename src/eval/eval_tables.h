// Evaluation tables: piece-square tables and the other fixed tables of the evaluation.
#pragma once

// Builds the evaluation's fixed tables and the middle-game piece-square set. Run at start-up.
void init_evaluation_tables();
