// Biosim: the engine context record. The member initialisers hold the defaults; the constructor only
// binds the platform and the default way to end the process.
#include "engine/Biosim.h"

#include <cstdlib>

Biosim::Biosim(plat::Platform& p) : platform(&p), exitProcess([](int code) { std::exit(code); }) {}
