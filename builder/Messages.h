// Messages: the builder's numbered message boxes.
//
// Two tables: questions and information (107 about, 112 quit, 117 new map) and errors (100 main
// window, 119 default DNA missing, 124 DNA not saved).
#pragma once

#include "builder/Builder.h"

namespace tarn {

// Shows a question (Yes/No) or a notice (OK) in the builder's own window; true for yes. `safeAnswer`
// is the answer that loses nothing, given when no one can see the question.
bool ask(Builder& b, const std::string& title, const std::string& text, plat::Buttons buttons,
         bool safeAnswer = false);
// Shows a notice (OK).
inline void inform(Builder& b, const std::string& title, const std::string& text) {
    ask(b, title, text, plat::Buttons::Ok, true);
}

// Ask or inform: shows the box of `code` and applies the answer (112 sets the quit flag); true when
// the answer was yes (117: the caller starts the new map).
bool askOrInform(Builder& b, int code);
// Report error: shows the box of `code` (if it has one). Returns true when the builder goes on,
// false when it must end now (100, and every code without a text, such as 102).
bool reportError(Builder& b, int code);

} // namespace tarn
