#!/usr/bin/env python3
"""qxr html in a real browser: headless Chromium renders each page to a PNG without console
errors and finds the four plots in the DOM; Python's HTML parser finds every page well-formed,
the dip marked and hostile record text inert.

usage: html_report_browser_test.py QXR WRITE_UNIT_FILE WORK_FOLDER
"""
import html.parser
import os
import re
import shutil
import struct
import subprocess
import sys

VOID = {"meta", "br", "img", "input", "link", "hr", "area", "base", "col", "embed", "source", "track", "wbr"}
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync"]

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


class Page(html.parser.HTMLParser):
    """Tags must nest and close in order; text is collected per element for the checks."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.problems, self.starts, self.texts = [], [], [], []
        self.attrs_of = []

    def handle_starttag(self, tag, attrs):
        self.starts.append(tag)
        self.attrs_of.append((tag, dict(attrs)))
        if tag not in VOID:
            self.stack.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.starts.append(tag)
        self.attrs_of.append((tag, dict(attrs)))

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.problems.append("end tag </%s> while open: %s" % (tag, self.stack[-3:]))
            return
        self.stack.pop()

    def handle_data(self, data):
        self.texts.append(data)


def parse(path):
    with open(path, encoding="utf-8") as f:  # the page must be valid UTF-8
        text = f.read()
    page = Page()
    page.feed(text)
    page.close()
    check(not page.problems, "%s nests its tags: %s" % (path, page.problems[:3]))
    check(page.stack == [], "%s closes every element: %s" % (path, page.stack))
    check(text.startswith("<!DOCTYPE html>"), path + " starts with the doctype")
    return page, text


def render(path, work, name):
    profile = os.path.join(work, "chromium-" + name)
    shutil.rmtree(profile, ignore_errors=True)
    png = os.path.join(work, name + ".png")
    if os.path.exists(png):
        os.remove(png)
    base = ["chromium"] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile, "--enable-logging=stderr", "--v=0"]
    url = "file://" + os.path.abspath(path)
    shot = subprocess.run(base + ["--window-size=1280,2000", "--screenshot=" + png, url],
                          capture_output=True, text=True, timeout=180)
    check(shot.returncode == 0, name + ": chromium ends with 0 (%d)" % shot.returncode)
    # Chromium's own pages (chrome://) log to the same console; only what the report's page says counts.
    console = [l for l in shot.stderr.splitlines()
               if ("CONSOLE" in l or "Failed to load resource" in l) and "source: chrome://" not in l]
    check(not console, name + ": no console messages: %s" % console[:3])
    check(os.path.exists(png), name + ": a PNG is written")
    if os.path.exists(png):
        with open(png, "rb") as f:
            head = f.read(24)
        check(head[:8] == b"\x89PNG\r\n\x1a\n", name + ": the screenshot is a PNG")
        width, height = struct.unpack(">II", head[16:24])
        check((width, height) == (1280, 2000), name + ": PNG of 1280 x 2000 (%d x %d)" % (width, height))
        check(os.path.getsize(png) > 20000, name + ": the PNG holds a drawn page")
    dom = subprocess.run(base + ["--dump-dom", url], capture_output=True, text=True, timeout=180)
    check(dom.returncode == 0, name + ": --dump-dom ends with 0")
    return dom.stdout


def main():
    qxr, writer, work = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(work, exist_ok=True)
    pages = {}
    for name, extra in (("clean", []), ("dip", ["--dip", "400"]), ("hostile", ["--hostile"])):
        qxr_file = os.path.join(work, name + ".qxr")
        subprocess.run([writer, qxr_file, "31"] + extra, check=True)
        out = os.path.join(work, name + ".html")
        run = subprocess.run([qxr, "html", "-o", out, qxr_file], capture_output=True, text=True)
        check(run.returncode == 0, name + ": qxr html ends with 0: " + run.stderr)
        pages[name] = parse(out)
        dom = render(out, work, name)
        check(len(re.findall(r'<svg [^>]*class="plot"', dom)) == 4, name + ": the browser's DOM holds four plots")
        check("<script" not in dom, name + ": no script element in the DOM")

    page, text = pages["clean"]
    check(sum(1 for t, a in page.attrs_of if t == "svg" and a.get("class") == "plot") == 4, "clean: four plots")
    check(not any(t == "circle" for t, a in page.attrs_of), "clean: no dip marked")
    check(not any(t in ("script", "link", "img", "iframe") for t in page.starts), "clean: nothing loaded from elsewhere")

    page, text = pages["dip"]
    dips = [a for t, a in page.attrs_of if t == "circle" and a.get("class") == "dip"]
    check(len(dips) == 6, "dip: six pixels marked (%d)" % len(dips))
    check(all("pixel %d:" % p in text for p in range(400, 406)), "dip: pixels 400-405 named")

    page, text = pages["hostile"]
    check(not any(t in ("script", "b") for t in page.starts), "hostile: record text made no element")
    joined = "".join(page.texts)
    check("</td><script>x()</script>" in joined, "hostile: the serial number shows as text")
    check("<b>&amp;\"'\u00e9\ufffd\ufffd<" + "Z" * 19 in joined, "hostile: the name shows as text, cut at its field")

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
