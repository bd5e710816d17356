#include "sim/FWORLD.h"

void worldFrame(Biosim& e) { (void)e; }
