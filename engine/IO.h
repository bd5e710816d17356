// IO: the map loader - switch map, world reset, load map, graphics lookup.
#pragma once

struct Biosim;

// Switches to `nextMapId`: resets the world and loads the map; afterwards actualMapId == nextMapId.
void switchMap(Biosim& e);
