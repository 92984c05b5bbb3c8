#!/usr/bin/python3
"""The server's page (cli/net/page.html) in headless Chromium, as a user drives it, against
varnok-cli --serve on 127.0.0.1 with a simulated card; and the page's file itself.

    page_test.py PageFile          the file: nothing in it refers outside the server
    page_test.py PageInBrowser     the uploads through the page (VARNOK_CLI: the varnok-cli to serve)
    page_test.py --screenshot PNG  the page during a paced transfer, as docs/page.png shows it

One Chromium serves every case; each case has its own server (a new port: a new origin, so a
new localStorage) in a folder of its own, its receipt telling what the console received.
"""
import html.parser
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PAGE = os.path.join(ROOT, "cli", "net", "page.html")
CLI = os.environ.get("VARNOK_CLI", os.path.join(ROOT, "build", "host", "varnok-cli"))
TOKEN = "test-token"
CHROMIUM_FLAGS = ("--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking "
                  "--disable-component-update --disable-sync").split()


def pattern(n, seed=0):
    return bytes((i * 131 + seed + (i >> 8)) & 0xFF for i in range(n))


def fnv1a(data):
    h = 2166136261
    for b in data:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


def wait_for(what, seconds, step=0.05):
    """what() once it is true, polled for up to seconds; else its last value."""
    end = time.monotonic() + seconds
    while True:
        value = what()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


class Server:
    """varnok-cli --serve 127.0.0.1:0 --simulate=MODE in a folder of its own."""

    def __init__(self, mode="fast", *more):
        self.dir = tempfile.mkdtemp(prefix="varnok-page-")
        self.out = os.path.join(self.dir, "serve.out")
        env = dict(os.environ, XDG_CONFIG_HOME=self.dir)
        with open(self.out, "w") as out:
            self.process = subprocess.Popen([CLI, "--serve", "127.0.0.1:0", "--simulate=" + mode, "--receipt", "r.ini",
                                             "--token", TOKEN, *more], cwd=self.dir, env=env, stdout=out,
                                            stderr=subprocess.STDOUT)
        found = wait_for(lambda: re.search(r"at 127\.0\.0\.1:(\d+) ", self.log()), 10)
        if not found:
            self.stop()
            raise AssertionError("the server did not start: " + self.log())
        self.port = int(found.group(1))
        self.origin = "http://127.0.0.1:%d" % self.port

    def log(self):
        with open(self.out, encoding="utf-8", errors="replace") as f:
            return f.read()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def receipt(self):
        """The [DemoConsole] section of the receipt, or None when the console received nothing."""
        if not os.path.exists(self.path("r.ini")):
            return None
        with open(self.path("r.ini"), encoding="ascii") as f:
            return dict(re.findall(r"^(\w+)=(.*?)\r?$", f.read(), re.M))

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


class PageFile(unittest.TestCase):
    """The page is one file: it loads nothing and sends to nowhere but its own server."""

    def test_refers_to_nothing_outside_itself(self):
        with open(PAGE, encoding="utf-8") as f:
            text = f.read()
        outside = []

        class Reader(html.parser.HTMLParser):
            def handle_starttag(self, tag, attrs):
                if tag in ("link", "img", "iframe", "object", "embed", "base", "audio", "video", "source", "track"):
                    outside.append("<%s>" % tag)
                if tag == "script" and dict(attrs).get("src") is not None:
                    outside.append("<script src>")
                for name, value in attrs:
                    if name in ("src", "href", "action", "formaction", "poster", "data", "srcset", "background") \
                            and not re.match(r"^/(?!/)|^#|^\?", value or ""):
                        outside.append("%s=%s" % (name, value))

        Reader().feed(text)
        self.assertEqual(outside, [])
        # Styles: no url() or @import; script: no other way out than fetch to a path of its own.
        self.assertEqual(re.findall(r"url\(|@import|https?:|//[a-z0-9.-]+\.[a-z]{2,}", text, re.I), [])
        self.assertEqual(re.findall(r"XMLHttpRequest|WebSocket|EventSource|sendBeacon|import\(|\.src\s*=|open\(", text), [])
        targets = re.findall(r"fetch\(\s*([^,)]*)", text)
        self.assertTrue(targets)
        for target in targets:
            self.assertRegex(target, r'^"/[^/"]', "fetch goes to a path of this server")
        # It goes into a Windows executable whose size is watched.
        self.assertLess(len(text.encode()), 6 * 1024)


class PageInBrowser(unittest.TestCase):
    """Each case: a server, the page opened with its token, a file given, Send pressed."""

    @classmethod
    def setUpClass(cls):
        cls.browser = start_chromium((390, 844))

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        shutil.rmtree(cls.browser.profile, ignore_errors=True)

    def setUp(self):
        self.servers = []

    def tearDown(self):
        # Whatever each case did: every request the page made went to its own server, and the
        # browser complained of nothing (a blocked inline script or style, a failed script).
        events = [json.loads(e["message"])["message"] for e in self.browser.get_log("performance")]
        urls = [m["params"]["request"]["url"] for m in events if m["method"] == "Network.requestWillBeSent"
                and not m["params"].get("documentURL", "").startswith("chrome:")]  # the browser's own tab page
        origins = tuple(s.origin + "/" for s in self.servers)
        self.assertEqual([u for u in urls if not u.startswith(origins)], [])
        complaints = [e["message"] for e in self.browser.get_log("browser")
                      if e["level"] == "SEVERE" and "/favicon.ico" not in e["message"]
                      and "401 (Unauthorized)" not in e["message"] and "503 (Service Unavailable)" not in e["message"]]
        self.assertEqual(complaints, [])

    def serve(self, mode="fast", *more):
        s = Server(mode, *more)
        self.servers.append(s)
        self.addCleanup(s.stop)
        return s

    def open(self, server, token=TOKEN):
        self.browser.get(server.origin + "/?token=" + token)
        self.assertEqual(self.browser.title, "Varnok")

    def el(self, id):
        return self.browser.find_element("id", id)

    def text(self, id):
        return self.browser.execute_script("return document.getElementById(arguments[0]).textContent", id)

    def outcome(self, seconds=15):
        return wait_for(lambda: self.text("out") if self.el("stop").get_attribute("hidden") is not None and
                        self.text("out") else "", seconds)

    def send(self, path, address=None):
        self.el("file").send_keys(path)
        if address is not None:
            self.el("address").clear()
            self.el("address").send_keys(address)
        self.el("send").click()

    def test_the_server_answers_the_page_as_it_is_in_the_source(self):
        s = self.serve()
        with open(PAGE, encoding="utf-8") as f:
            source = f.read()
        request = urllib.request.Request(s.origin + "/", headers={"Accept": "text/html"})
        with urllib.request.urlopen(request, timeout=10) as r:
            self.assertEqual(r.read().decode(), source.replace("{{CARD}}", "310 (simulated)"))

    def test_raw_file_named_beyond_ascii_sent_by_keyboard_alone(self):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys
        s = self.serve()
        data = pattern(70000)
        path = s.write("ゲーム.bin", data)
        self.open(s)
        self.assertEqual(self.browser.find_element("css selector", "main p").text,
                         "The Saturn link card at 310 (simulated), served at 127.0.0.1:%d" % s.port)
        self.assertEqual(self.el("tokrow").is_displayed(), False)
        def keys(*typed):
            ActionChains(self.browser).send_keys(*typed).perform()

        keys(Keys.TAB)
        self.assertEqual(self.browser.switch_to.active_element.get_attribute("id"), "file")
        self.browser.switch_to.active_element.send_keys(path)
        self.assertTrue(wait_for(lambda: "ゲーム.bin: 70,000 bytes, a raw image" in self.text("info"), 5))
        # A bad address is refused on the page, with nothing sent.
        keys(Keys.TAB, "0x1_0", Keys.TAB, Keys.ENTER)
        self.assertIn("hexadecimal", self.outcome())
        self.assertIsNone(s.receipt())
        active = self.browser.switch_to.active_element
        self.assertEqual(active.get_attribute("id"), "address")
        self.assertNotEqual(active.value_of_css_property("outline-style"), "none", "focus is visible")
        ActionChains(self.browser).key_down(Keys.CONTROL).send_keys("a").key_up(Keys.CONTROL).perform()
        keys("0X006004000", Keys.TAB)
        self.assertEqual(self.browser.switch_to.active_element.text, "Send")
        keys(Keys.SPACE)
        out = self.outcome()
        self.assertRegex(out, r"^sent 70000 bytes to 06004000 in [0-9.]+ s \([0-9.]+ KB/s\), checksum matched")
        self.assertEqual(self.el("bar").get_attribute("value"), "70000")
        r = s.receipt()
        self.assertEqual((r["Address"], r["Length"], r["Received"], r["DataFnv1a"]),
                         ("06004000", "70000", "70000", "%08x" % fnv1a(data)))
        # At a phone's width, nothing runs off the side.
        self.assertLessEqual(self.browser.execute_script("return document.documentElement.scrollWidth"),
                             self.browser.execute_script("return innerWidth"))
        # The address is there again for the next raw image, on the next visit.
        self.open(s)
        self.el("file").send_keys(path)
        self.assertTrue(wait_for(lambda: self.el("address").get_attribute("value") == "0X006004000", 5))

    def test_elf_file_goes_to_its_own_address_without_one_given(self):
        s = self.serve()
        made = subprocess.run(
            "sh-elf-as -o p.o %s/tests/elf/prog.s && sh-elf-ld -Ttext 0x06004000 -e start -o far p.o && "
            "sh-elf-objcopy -R .stack far game.elf 2>/dev/null && sh-elf-objcopy -O binary game.elf game.bin" % ROOT,
            shell=True, cwd=s.dir, capture_output=True, text=True, timeout=30)
        self.assertEqual(made.returncode, 0, made.stderr)
        with open(s.path("game.bin"), "rb") as f:
            image = f.read()
        self.open(s)
        self.send(s.write("raw.bin", b"\0" * 64), "06010000")
        self.outcome()
        self.send(s.path("game.elf"))  # not to the raw image's address, left in the box
        out = self.outcome()
        self.assertRegex(out, r"^sent %d bytes to 06004000 .*checksum matched" % len(image))
        self.assertIn("an ELF file: its image goes to 06004000", self.text("info"))
        r = s.receipt()
        self.assertEqual((r["Address"], r["Received"], r["DataFnv1a"]), ("06004000", str(len(image)), "%08x" % fnv1a(image)))
        # The address was left to the server.
        uploads = [u for u in self.browser.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.name)") if "/upload" in u]
        self.assertEqual(uploads[-1], s.origin + "/upload?stream=1")

    def test_stop_during_a_paced_transfer_stops_it_on_the_card(self):
        s = self.serve("paced")
        self.open(s)
        self.send(s.write("big.bin", pattern(100 << 10)), "6004000")
        self.assertTrue(wait_for(lambda: int(self.el("bar").get_attribute("value")) > 0, 10))
        self.assertRegex(self.text("nums"), r"^[\d,]+ of 102,400 bytes, [\d.]+ KB/s, \d+:\d\d left$")
        self.assertRegex(self.text("phase"), r"^Sending data\.\.\. \d+%$")
        self.el("stop").click()
        self.assertRegex(self.outcome(5), r"^Stopped after [1-9][\d,]* bytes\. Reset the console")
        self.assertTrue(wait_for(lambda: re.search(r"stopped after \d+ of 102400 bytes to 06004000", s.log()), 10),
                        s.log())

    def test_busy_while_another_upload_runs(self):
        s = self.serve("paced")
        other = socket.create_connection(("127.0.0.1", s.port), timeout=10)
        body = pattern(100 << 10, 1)
        other.sendall(("PUT /upload?address=6004000&stream=1 HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nAuthorization: Bearer %s\r\n"
                       "Content-Length: %d\r\n\r\n" % (s.port, TOKEN, len(body))).encode() + body)
        seen = b""
        while b"Sending data" not in seen:
            more = other.recv(4096)
            self.assertTrue(more, seen)
            seen += more
        try:
            self.open(s)
            self.send(s.write("second.bin", pattern(3000)), "6004000")
            self.assertRegex(self.outcome(), r"^Busy with another upload: try again in \d+ s\.$")
        finally:
            other.close()

    def test_wrong_token_sends_nothing_then_the_right_one_is_asked_for(self):
        s = self.serve()
        self.open(s, "wrong")
        data = pattern(5000)
        self.send(s.write("a.bin", data), "6004000")
        self.assertIn("Wrong token", self.outcome())
        self.assertIsNone(s.receipt())
        self.assertIn("401 Unauthorized", s.log())
        self.assertTrue(self.el("token").is_displayed())
        self.el("token").send_keys(TOKEN)
        self.el("send").click()
        self.assertRegex(self.outcome(), r"^sent 5000 bytes to 06004000 .*checksum matched")
        self.assertEqual(s.receipt()["DataFnv1a"], "%08x" % fnv1a(data))

    def test_a_console_that_stalls_then_does_not_answer(self):
        s = self.serve("stall", "--wait", "8")
        self.open(s)
        self.send(s.write("a.bin", pattern(20000)), "6004000")
        self.assertTrue(wait_for(lambda: re.match(r"No answer from the console for \d+ s", self.text("stall")), 8),
                        self.text("stall"))
        out = self.outcome(10)
        self.assertRegex(out, r"^No answer from the console.*\nthe console did not answer after 10000 of 20000 bytes")
        self.assertEqual(self.text("stall"), "")


def start_chromium(size):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    profile = tempfile.mkdtemp(prefix="varnok-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + profile]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    viewport(browser, *size)
    browser.set_page_load_timeout(10)
    browser.set_script_timeout(10)
    browser.profile = profile
    return browser


def viewport(browser, width, height, scale=1):
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False})


def screenshot(png):
    """The page a third of the way through a paced transfer, into png."""
    browser = start_chromium((480, 720))
    s = Server("paced")
    try:
        browser.get(s.origin + "/?token=" + TOKEN)
        browser.find_element("id", "file").send_keys(s.write("ゲーム.bin", pattern(96 << 10)))
        browser.find_element("id", "address").send_keys("06004000")
        browser.find_element("id", "send").click()
        wait_for(lambda: int(browser.find_element("id", "bar").get_attribute("value")) >= 30000, 15)
        height = browser.execute_script("return document.querySelector('main').getBoundingClientRect().bottom")
        viewport(browser, 480, int(height) + 16, 2)
        browser.save_screenshot(png)
    finally:
        browser.quit()
        s.stop()
        shutil.rmtree(browser.profile, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--screenshot":
        screenshot(sys.argv[2])
    else:
        unittest.main()
