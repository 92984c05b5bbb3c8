#!/usr/bin/python3
"""The server's page against the other clients: 1 MiB through the page in headless Chromium,
through varnok-cli --host and through curl, to the same varnok-cli --serve on 127.0.0.1 with a
simulated card paced like real hardware (about 20 KB/s).

    page_bench.py VARNOK-CLI     (PAGE_BENCH_RUNS: runs of each client, 1 unless given)

Each run is timed as its user sees it: the page from Send pressed to the summary shown; the
others the whole command. The card's pace dominates: the page should be within 5% of --host.
Without Chromium (or its driver, or Selenium) it says so and ends with exit code 0: make bench
goes on without it.
"""
import os
import re
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "browser"))
import page_test  # noqa: E402  (its server, its browser)

SIZE = 1 << 20
ADDRESS = "06000000"  # 1 MiB fills the high work RAM from its start


def main():
    page_test.CLI = sys.argv[1]
    runs = int(os.environ.get("PAGE_BENCH_RUNS", "1"))
    missing = [p for p in ("/usr/bin/chromium", "/usr/bin/chromedriver") if not os.path.exists(p)]
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium")
    if missing:
        print("page benchmark: skipped, no %s (scripts/install-deps.sh installs them)" % ", ".join(missing))
        return 0
    server = page_test.Server("paced")
    browser = page_test.start_chromium((800, 700))
    times = {}
    try:
        path = server.write("mib.bin", page_test.pattern(SIZE))
        url = "http://127.0.0.1:%d" % server.port
        host = [page_test.CLI, "--host", "127.0.0.1:%d" % server.port, "--token", page_test.TOKEN, "--address", ADDRESS,
                path]
        curl = ["curl", "-sf", "-T", path, "-H", "Authorization: Bearer " + page_test.TOKEN,
                url + "/upload?address=" + ADDRESS]
        for _ in range(runs):
            for name, command in (("page", None), ("--host", host), ("curl", curl)):
                if command is None:
                    seconds, summary = through_page(browser, url, path)
                else:
                    start = time.monotonic()
                    done = subprocess.run(command, capture_output=True, text=True, timeout=300)
                    seconds = time.monotonic() - start
                    summary = (done.stdout + done.stderr).strip().splitlines()[-1] if done.returncode == 0 else ""
                if not re.match(r"sent %d bytes to %s in .*checksum matched" % (SIZE, ADDRESS), summary):
                    print("page benchmark: %s failed: %s" % (name, summary or "no summary"))
                    return 1
                times.setdefault(name, []).append(seconds)
                print("%-7s %.2f s   %s" % (name, seconds, summary))
    finally:
        browser.quit()
        shutil.rmtree(browser.profile, ignore_errors=True)
        server.stop()
    best = {name: min(t) for name, t in times.items()}
    print("1 MiB to the paced card, best of %d: page %.2f s, --host %.2f s, curl %.2f s" %
          (runs, best["page"], best["--host"], best["curl"]))
    print("page/--host: %.3f, page/curl: %.3f" % (best["page"] / best["--host"], best["page"] / best["curl"]))
    return 0


def through_page(browser, url, path):
    """Send pressed on a page just opened, until the page shows how it ended: seconds, summary."""
    browser.get(url + "/?token=" + page_test.TOKEN)
    browser.find_element("id", "file").send_keys(path)
    browser.find_element("id", "address").send_keys(ADDRESS)
    start = time.monotonic()
    browser.find_element("id", "send").click()
    out = page_test.wait_for(lambda: browser.execute_script(
        "return document.getElementById('stop').hidden && document.getElementById('out').textContent"), 300, 0.01)
    return time.monotonic() - start, (out or "").strip()


if __name__ == "__main__":
    sys.exit(main())
