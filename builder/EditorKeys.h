// EditorKeys: the keys of the editor.
//
// Checked in a fixed order once per main loop pass that had a window event, after the event itself:
// scrolling, layers, raster modes, tool windows, undo and redo, the quick help and quitting.
#pragma once

#include "builder/Builder.h"

namespace tarn {

void handleKeys(Builder& b);

} // namespace tarn
