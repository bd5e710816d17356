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
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Fetches `url` into `file`: the HTTP status of the answer (its body written to `file` when below
// 300, its Last-Modified time set as the file's time), or 0 when the transfer failed or passed a limit.
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
        if (r.status >= 300) return r.status;
        const length = Number(r.headers.get("Content-Length") || 0);
        if (length > maxBytes) return 0;
        const body = new Uint8Array(await r.arrayBuffer());
        if (body.length > maxBytes) return 0;
        FS.writeFile(path, body);
        const modified = Date.parse(r.headers.get("Last-Modified") || "");
        if (!isNaN(modified)) FS.utime(path, modified, modified);
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
    namespace fs = std::filesystem;
    // The page reaches the network only over HTTP; there is no file:// in a browser.
    if (url.empty() || file.empty() || !httpUrl(url)) return Fetch::Failed;
    const fs::path target(file);
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    if (!fs::is_directory(dir, ec) || fs::is_directory(target, ec)) return Fetch::Failed;
    struct stat old {};
    const bool cached = revalidate && ::stat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode);

    std::string tmpl = (dir / ("." + target.filename().string() + ".part.XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return Fetch::Failed;
    ::close(fd);
    const int status = pageFetch(url.c_str(), tmpl.c_str(), cached ? static_cast<double>(old.st_mtime) : 0.0,
                                 static_cast<double>(limits.maxBytes), static_cast<int>(limits.totalSeconds),
                                 static_cast<int>(limits.maxRedirects));
    Fetch result = Fetch::Failed;
    if (status == 304 && cached) {
        result = Fetch::Unchanged;
    } else if (status >= 200 && status < 300) {
        result = std::rename(tmpl.c_str(), file.c_str()) == 0 ? Fetch::Fetched : Fetch::Failed;
    } else if (status == 404 || status == 410) {
        result = Fetch::Missing;
    }
    if (result != Fetch::Fetched) ::unlink(tmpl.c_str());
    return result;
}

bool downloadUrl(const std::string& url, const std::string& file, const DownloadLimits& limits) {
    CurlSession session;
    return session.fetch(url, file, false, limits) == Fetch::Fetched;
}

} // namespace plat
