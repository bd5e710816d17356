// Events: window events and menu items.
//
// The main loop hands every window event to handleEvent, then runs handleKeys (EditorKeys.h) in
// the same pass.
// Main-window events drive the cursor, the wheel resize and placement/deletion (one tile per button
// press: the button latch) and end with a redraw; tile window events dispatch its menu, repaint its
// grid, hide the tool windows or select a kind; DNA window events reach the DNA editor.
#pragma once

#include "builder/Builder.h"

namespace tarn {

void handleEvent(Builder& b, const WindowEvent& ev);
void dispatchMenuItem(Builder& b, int item);

} // namespace tarn
