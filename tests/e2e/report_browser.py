#!/usr/bin/env python3
"""Opens the intake page in headless Chromium, fills it in and submits it.

A minimal WebDriver client on the standard library: it starts chromedriver
on a free loopback port, drives one Chromium session with a fresh profile,
and prints one JSON object: the thank-you text the browser shows, what
the page had prefilled, and which collector it offered (this Chromium says
it runs Linux; then the page is opened again as a Windows browser). Exit status 0 on success, 1 on failure.

Usage: report_browser.py URL [SCREENSHOT_PNG]
"""

import base64
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

# What a member of staff types: 张三, 财务部, a remark with characters that
# need care in a form body, and the kind of PC.
USER = "张三"
DEPARTMENT = "财务部"
PHONE = "8001"
REMARK = "三楼 & 东侧=1+1"
KIND = "笔记本"

WINDOWS_AGENT = ("Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko)"
                 " Chrome/120.0.0.0 Safari/537.36")
# Which collector the page offers, and the Linux lines it shows.
TOOLS_SHOWN = ("return {windows: !document.getElementById('windows-tool').hidden,"
               " linux: !document.getElementById('linux-tool').hidden,"
               " curl: document.getElementById('linux-curl').value,"
               " wget: document.getElementById('linux-wget').value};")


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# Everything here talks to loopback: never through a proxy the environment
# names, neither this script's calls nor chromedriver's or Chromium's.
OPENER = urllib.request.build_opener(urllib.request.ProxyHandler({}))
for _name in ("http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"):
    os.environ.pop(_name, None)


class Driver:
    def __init__(self, port):
        self.base = "http://127.0.0.1:%d" % port
        self.session = None

    def call(self, method, path, body=None, timeout=60):
        data = None if body is None else json.dumps(body).encode("utf-8")
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with OPENER.open(request, timeout=timeout) as reply:
                return json.loads(reply.read().decode("utf-8"))["value"]
        except urllib.error.HTTPError as error:
            raise RuntimeError("%s %s: %s" % (method, path, error.read().decode("utf-8", "replace")))

    def s(self, path):
        return "/session/%s%s" % (self.session, path)

    def find(self, css):
        found = self.call("POST", self.s("/element"), {"using": "css selector", "value": css})
        return next(iter(found.values()))

    def type_into(self, css, text):
        element = self.find(css)
        self.call("POST", self.s("/element/%s/clear" % element), {})
        self.call("POST", self.s("/element/%s/value" % element), {"text": text})

    def script(self, source):
        return self.call("POST", self.s("/execute/sync"), {"script": source, "args": []})


def wait_ready(process, port, deadline):
    """True once chromedriver answers ready; False if it ends or time runs out."""
    while time.time() < deadline:
        if process.poll() is not None:
            return False
        try:
            with OPENER.open("http://127.0.0.1:%d/status" % port, timeout=2) as r:
                if json.loads(r.read().decode("utf-8"))["value"].get("ready"):
                    return True
        except (OSError, ValueError, KeyError):
            pass
        time.sleep(0.1)
    return False


def start_driver(log_path):
    """Starts chromedriver on a free port, trying a second port if the first
    start fails (another process may take the port between the probe and the
    bind). Returns the process and its port; raises with chromedriver's log."""
    for _ in range(2):
        port = free_port()
        with open(log_path, "ab") as log:
            process = subprocess.Popen(
                ["chromedriver", "--port=%d" % port, "--allowed-ips=127.0.0.1"],
                stdout=log, stderr=subprocess.STDOUT)
        if wait_ready(process, port, time.time() + 60):
            return process, port
        stop_driver(process)
    with open(log_path, "rb") as log:
        tail = log.read()[-2000:].decode("utf-8", "replace")
    raise RuntimeError("chromedriver did not start: " + tail)


def stop_driver(process):
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def chromium_binary():
    # Debian's /usr/bin/chromium is a wrapper script; chromedriver wants the
    # program itself.
    for path in ("/usr/lib/chromium/chromium", shutil.which("chromium") or ""):
        if path and os.access(path, os.X_OK):
            return path
    raise RuntimeError("chromium not found")


def main():
    url = sys.argv[1]
    screenshot = sys.argv[2] if len(sys.argv) > 2 else None
    profile = tempfile.mkdtemp(prefix="vantrel-chromium-")
    driver_process = None
    driver = Driver(0)
    try:
        driver_process, port = start_driver(os.path.join(profile, "chromedriver.log"))
        driver = Driver(port)
        capabilities = {"capabilities": {"alwaysMatch": {
            "browserName": "chrome",
            "goog:chromeOptions": {
                "binary": chromium_binary(),
                "args": ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--disable-dev-shm-usage",
                         "--user-data-dir=" + profile, "--window-size=1000,1000"],
            }}}}
        driver.session = driver.call("POST", "/session", capabilities, timeout=120)["sessionId"]
        driver.call("POST", driver.s("/url"), {"url": url})

        prefilled = driver.script(
            "return {os: document.getElementById('xipOs').value,"
            " cpu: document.getElementById('xipCpu').value,"
            " charset: document.characterSet};")
        offered = driver.script(TOOLS_SHOWN)
        driver.type_into("#xipUserName", USER)
        driver.type_into("#bm", DEPARTMENT)
        driver.type_into("#dh", PHONE)
        driver.type_into("#bz", REMARK)
        driver.type_into("#xipName", "PC-E2E")
        driver.call("POST", driver.s("/element/%s/click" %
                                     driver.find("input[name=xipDorl][value='%s']" % KIND)), {})
        if screenshot:
            png = driver.call("GET", driver.s("/screenshot"))
            with open(screenshot, "wb") as out:
                out.write(base64.b64decode(png))
        driver.call("POST", driver.s("/element/%s/click" % driver.find("button[type=submit]")),
                    {})

        shown = ""
        deadline = time.time() + 30
        while time.time() < deadline:
            shown = driver.script(
                "return location.pathname === '/post' && document.readyState === 'complete'"
                " ? document.body.innerText : '';")
            if shown:
                break
            time.sleep(0.1)

        # The same page for a browser that says it runs Windows.
        driver.call("POST", driver.s("/goog/cdp/execute"), {
            "cmd": "Network.setUserAgentOverride", "params": {"userAgent": WINDOWS_AGENT}})
        driver.call("POST", driver.s("/url"), {"url": url})
        offered_windows = driver.script(TOOLS_SHOWN)
        print(json.dumps({"shown": shown, "prefilled": prefilled, "offered": offered,
                          "offered_windows": offered_windows}, ensure_ascii=True,
                         sort_keys=True))
        return 0
    except Exception as error:  # reported to the test, which fails
        print(json.dumps({"error": str(error)}), file=sys.stderr)
        return 1
    finally:
        if driver.session:
            try:
                driver.call("DELETE", driver.s(""), timeout=30)
            except Exception:
                pass
        if driver_process:
            stop_driver(driver_process)
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
