// Downloads of the browser build: the engine's server path fetches through the page's fetch() in
// place of libcurl. A fetch suspends the engine (the build's asynchronous calls) and lets the browser
// run until the answer is there, so loading a map never blocks the page. The same rules hold as for
// libcurl: the data goes to a temporary file beside the target and replaces it only when the whole
// transfer succeeded; a conditional request sends the cached file's time; the limits bound the size,
// the time and the redirects.
#include "platform/Services.h"
#include "platform/web/WebPage.h"

#include <emscripten.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Fetches `url` into `file`: the HTTP status of the answer (its body written to `file` for a 200, with
// the server's Last-Modified time as the file's time, or time 0 when it sent none), or 0 when the
// transfer failed or passed a limit.
// clang-format off
EM_ASYNC_JS(int, pageFetch, (const char* url, const char* file, double ifModifiedSince, double maxBytes,
                             int totalSeconds, int maxRedirects), {
    const where = UTF8ToString(url);
    const path = UTF8ToString(file);
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), Math.max(1, totalSeconds) * 1000);
    try {
        const headers = {};
        if (ifModifiedSince > 0) headers["If-Modified-Since"] = new Date(ifModifiedSince * 1000).toUTCString();
        const r = await fetch(where, {headers, signal: abort.signal, cache: "no-store",
                                      redirect: maxRedirects > 0 ? "follow" : "error"});
        if (r.status !== 200) return r.status;
        const length = Number(r.headers.get("Content-Length") || 0);
        if (length > maxBytes) return 0;
        const body = new Uint8Array(await r.arrayBuffer());
        if (body.length > maxBytes) return 0;
        FS.writeFile(path, body);
        const modified = Date.parse(r.headers.get("Last-Modified") || "");
        FS.utime(path, isNaN(modified) ? 0 : modified, isNaN(modified) ? 0 : modified);
        if (Module.btFetched) Module.btFetched(where, body.length);
        return r.status;
    } catch (e) {
        return 0;
    } finally {
        clearTimeout(timer);
    }
});
// clang-format on

bool httpUrl(const std::string& url) {
    std::string head = url.substr(0, 8);
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

} // namespace

namespace plat {

// The browser keeps its own connections; the session holds nothing.
CurlSession::~CurlSession() {
    curl_ = nullptr;
}

Fetch CurlSession::fetch(const std::string& url, const std::string& file, bool revalidate,
                         const DownloadLimits& limits) {
    // The page reaches the network only over HTTP; there is no file:// in a browser.
    if (url.empty() || file.empty() || !httpUrl(url)) return Fetch::Failed;
    PartFile part;
    if (!openPartFile(file, revalidate, part)) return Fetch::Failed;
    ::close(part.fd);
    // Only a kept copy with the server's time is asked about (a time of our own would hide a change).
    const bool asked = part.cached && part.cachedTime > 0;
    const int status =
        pageFetch(url.c_str(), part.path.c_str(), asked ? static_cast<double>(part.cachedTime) : 0.0,
                  static_cast<double>(limits.maxBytes), static_cast<int>(limits.totalSeconds),
                  static_cast<int>(limits.maxRedirects));
    // As with libcurl: only a whole 200 is stored, a 304 keeps the copy that was asked about.
    Fetch result = Fetch::Failed;
    if (status == 304 && asked) {
        result = Fetch::Unchanged;
    } else if (status == 200) {
        result = std::rename(part.path.c_str(), file.c_str()) == 0 ? Fetch::Fetched : Fetch::Failed;
    } else if (status == 404 || status == 410) {
        result = Fetch::Missing;
    }
    if (result != Fetch::Fetched) ::unlink(part.path.c_str());
    return result;
}

bool downloadUrl(const std::string& url, const std::string& file, const DownloadLimits& limits) {
    CurlSession session;
    return session.fetch(url, file, false, limits) == Fetch::Fetched;
}

} // namespace plat
