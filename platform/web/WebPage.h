// What the browser build asks of its page (platform/web/page/index.html): the pace of the main loop
// and the end of a run. Only the browser build has these.
#pragma once

#include <string>

namespace plat::web {

// Ends one pass of the main loop: the engine is suspended until the browser has shown the frame and
// asks for the next (the next animation frame), so the page stays responsive. With `virtualTime`
// (test runs) the next pass comes as soon as the browser has handled its other work.
void waitForNextPass(bool virtualTime);

// Tells the page that the run ended with exit code `code`; `dump` names the dump file ("" for none),
// which the page then offers to whoever drives it. The screen is still open: a test page holds the
// engine here until its driver has taken the page's picture.
void runEnded(int code, const std::string& dump);

} // namespace plat::web
