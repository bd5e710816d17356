// The page side of the browser build's main loop and run end.
#include "platform/web/WebPage.h"

#include <emscripten.h>

namespace {

// clang-format off
EM_ASYNC_JS(void, pageNextPass, (int virtualTime), {
    if (virtualTime && !Module.btPaceByFrame) {
        // A message to ourselves: handled after the browser's pending work, without the
        // minimum delay of a timer.
        await new Promise(resolve => {
            const c = new MessageChannel();
            c.port1.onmessage = () => resolve();
            c.port2.postMessage(0);
        });
    } else {
        await new Promise(resolve => requestAnimationFrame(() => resolve()));
    }
    if (Module.btPass) Module.btPass();
});

EM_ASYNC_JS(void, pageRunEnded, (int code, const char* dump), {
    if (Module.btRunEnded) await Module.btRunEnded(code, UTF8ToString(dump));
});
// clang-format on

} // namespace

namespace plat::web {

void waitForNextPass(bool virtualTime) {
    pageNextPass(virtualTime ? 1 : 0);
}

void runEnded(int code, const std::string& dump) {
    pageRunEnded(code, dump.c_str());
}

} // namespace plat::web
