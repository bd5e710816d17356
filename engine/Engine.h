// Engine: biosim's start-up sequence, main loop, frame step and shutdown.
// The world frame is not called directly: the program hands it over as `Biosim::worldFrame`.
// Depends on: every engine module.
#pragma once

#include <string>

namespace engine {

struct Biosim;

// Start-up steps 1-12 in their order. `workingFolder` ends with '/'. Returns true when the main loop
// may run (the screen is open). Fatal start-up errors end the process through e.exitProcess.
bool startup(Biosim& e, const std::string& workingFolder);

// One frame: begin 3D, the world frame (when one was handed over), end 3D, status layer, flip,
// sleep multitaskDelayMs.
void frameStep(Biosim& e);

// One pass of the main loop; false when the loop ends (exit keys, frame limit, window closed).
bool mainLoopPass(Biosim& e);

// Runs passes until the loop ends.
void mainLoop(Biosim& e);

// The whole run: start-up, main loop, shutdown. Returns the exit code (0).
int runEngine(Biosim& e, const std::string& workingFolder);

} // namespace engine
