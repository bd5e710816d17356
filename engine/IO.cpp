#include "engine/IO.h"

void switchMap(Biosim& e) {
    (void)e;
}
