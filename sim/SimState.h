// SimState: the world frame's own state, held by the engine record as `Biosim::sim`.
// Cleared with the engine globals; filled as the world frame grows.
#pragma once

struct SimState {};
