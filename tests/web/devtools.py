#!/usr/bin/python3
"""Plays a page of biosim in headless Chromium and reports what happened.

    devtools.py URL OUT.json [--screenshot FILE] [--keys KEY:FROM:TO ...] [--timeout S]

Starts Debian's chromium headless (a window of 1024 x 768, software WebGL) with its DevTools
protocol on a free port, opens URL and waits until the page sets window.biosimResult (the end of a
test run). OUT.json receives that result, the page's times (window.biosimTimes) and the page's
console lines. --screenshot writes the page's pixels as PNG at the end of the run. --keys holds KEY
(a DOM key name such as ArrowRight) down from the page's pass FROM to pass TO. Exit code 0 when the
run ended, 1 otherwise (the reason on standard error).
"""
import argparse
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

import websocket

KEY_CODES = {"ArrowLeft": 37, "ArrowUp": 38, "ArrowRight": 39, "ArrowDown": 40, " ": 32, "Space": 32}


class Page:
    def __init__(self, ws_url):
        self.ws = websocket.create_connection(ws_url, timeout=60, suppress_origin=True)
        self.next_id = 0
        self.console = []

    def call(self, method, **params):
        self.next_id += 1
        mine = self.next_id
        self.ws.send(json.dumps({"id": mine, "method": method, "params": params}))
        while True:
            msg = json.loads(self.ws.recv())
            if msg.get("method") == "Runtime.consoleAPICalled":
                args = msg["params"].get("args", [])
                self.console.append(" ".join(str(a.get("value", a.get("description", ""))) for a in args))
            if msg.get("id") == mine:
                if "error" in msg:
                    raise RuntimeError(f"{method}: {msg['error']}")
                return msg.get("result", {})

    def evaluate(self, expression):
        r = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return r.get("result", {}).get("value")

    def key(self, name, down):
        code = KEY_CODES.get(name, 0)
        dom_code = "Space" if name in (" ", "Space") else name
        self.call("Input.dispatchKeyEvent", type="keyDown" if down else "keyUp", key=name, code=dom_code,
                  windowsVirtualKeyCode=code, nativeVirtualKeyCode=code)


def start_chromium(profile):
    exe = shutil.which("chromium") or shutil.which("chromium-browser")
    if not exe:
        raise RuntimeError("no chromium on PATH")
    # As on a machine without a graphics card: the page is composited by the processor (--disable-gpu),
    # and WebGL is SwiftShader's, which the engine sees and leaves for its own software renderer.
    args = [exe, "--headless=new", "--no-sandbox", "--no-proxy-server", "--remote-debugging-port=0", "--disable-gpu",
            f"--user-data-dir={profile}", "--window-size=1024,768", "--no-first-run", "--disable-gpu-sandbox",
            "--enable-unsafe-swiftshader", "--use-angle=swiftshader", "--autoplay-policy=no-user-gesture-required",
            "--disable-background-timer-throttling", "--disable-renderer-backgrounding", "about:blank"]
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    port_file = os.path.join(profile, "DevToolsActivePort")
    for _ in range(300):
        if os.path.exists(port_file):
            lines = open(port_file).read().split()
            if lines:
                return proc, int(lines[0])
        if proc.poll() is not None:
            raise RuntimeError(f"chromium ended at start (exit code {proc.returncode})")
        time.sleep(0.1)
    raise RuntimeError("chromium did not open its DevTools port")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("url")
    ap.add_argument("out")
    ap.add_argument("--screenshot")
    ap.add_argument("--keys", nargs="*", default=[])
    ap.add_argument("--timeout", type=float, default=240)
    a = ap.parse_args()
    for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
        os.environ.pop(proxy, None)

    profile = tempfile.mkdtemp(prefix="bt_chromium_")
    proc = None
    try:
        proc, port = start_chromium(profile)
        targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=30))
        page = Page(next(t for t in targets if t["type"] == "page")["webSocketDebuggerUrl"])
        page.call("Runtime.enable")
        page.call("Page.enable")
        # The page's window (biosim's desktop) is exactly that of the desktop program's headless runs.
        page.call("Emulation.setDeviceMetricsOverride", width=1024, height=768, deviceScaleFactor=1, mobile=False)
        page.call("Page.navigate", url=a.url)
        keys = []
        for k in a.keys:
            name, first, last = k.rsplit(":", 2)
            keys.append([name, int(first), int(last), "up"])
        deadline = time.time() + a.timeout
        result = None
        while time.time() < deadline:
            result = page.evaluate("window.biosimResult || null")
            if result is not None:
                break
            # The engine or the page gave up: no need to wait for the time limit.
            if page.evaluate("/Aborted\\(|could not be loaded/.test(document.getElementById('errors').textContent)"):
                break
            passes = page.evaluate("window.biosimTimes ? window.biosimTimes.passes.length : 0") or 0
            for k in keys:
                if k[3] == "up" and passes >= k[1]:
                    page.key(k[0], True)
                    k[3] = "down"
                elif k[3] == "down" and passes >= k[2]:
                    page.key(k[0], False)
                    k[3] = "done"
            time.sleep(0.02 if keys else 0.1)
        if result is None:
            errors = page.evaluate("document.getElementById('errors').textContent")
            sys.stderr.write(f"the run did not end (time limit {a.timeout} s); page errors: {errors}\n")
            sys.stderr.write("console:\n" + "\n".join(page.console[-40:]) + "\n")
            return 1
        if a.screenshot:
            shot = page.call("Page.captureScreenshot", format="png")
            with open(a.screenshot, "wb") as f:
                f.write(base64.b64decode(shot["data"]))
        page.evaluate("window.biosimRelease && window.biosimRelease()")
        out = {"result": result, "times": page.evaluate("window.biosimTimes"), "console": page.console,
               "errors": page.evaluate("document.getElementById('errors').textContent")}
        with open(a.out, "w") as f:
            json.dump(out, f)
        return 0
    except Exception as e:  # every failure is reported, with its reason
        sys.stderr.write(f"devtools.py: {e}\n")
        return 1
    finally:
        if proc:
            proc.kill()
            proc.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
