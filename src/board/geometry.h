// Direction, distance, ray and attack tables, computed once at start-up.
#pragma once

// Fills every geometric table. Run once at start-up before anything else of the board rules.
void initGeometry();
