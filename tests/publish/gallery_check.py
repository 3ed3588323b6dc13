#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Publishes a small folder as a web gallery with the real program; the page must
# parse without an error, name only files that are there, and in headless
# Chromium fit a phone, show three columns on a laptop and drive its lightbox by
# click and keys. gallery_check.py GALERIO
import html5lib, json, os, re, subprocess, sys, tempfile, urllib.parse
from pathlib import Path

CONVERT, CHROMIUM = "/usr/bin/convert-im6.q16", "/usr/bin/chromium"
ODD = "Tom's \"<b>\" best & 100% day"  # needs escaping both in HTML and in a URL
PHOTOS = [("wide.jpg", "1600x900"), ("tall.jpg", "600x1000"), ("square.jpg", "800x800"),
          ("pano.jpg", "2400x600"), (ODD + ".jpg", "1200x900"), ("scan.bmp", "500x700")]
RUNS = [("web copies, names as captions", ["--captions", "name"]),
        ("originals linked", ["--link-originals", "--captions", "none"])]
LAYOUTS = [(390, 844, "no sideways scrolling", lambda m: m["scrollWidth"] <= m["innerWidth"]),
           (1280, 800, "at least 3 columns", lambda m: m["columns"] >= 3),
           (1280, 800, "a click opens the lightbox, the right arrow steps on, Escape closes it",
            lambda m: m["lightbox"])]
URL = re.compile(r"(?:[A-Za-z0-9._~!$&'()*+,;=:@/-]|%[0-9A-Fa-f]{2})+")
# Chromium's window is never narrower than 500 px: the page is measured in a
# frame of the exact size, which posts its figures to the page --dump-dom shows.
FRAME = """<iframe src="probe.html" width="{}" height="{}" style="border:0"></iframe>
<pre id="probe"></pre><script>onmessage = e => probe.textContent = e.data;</script>"""
PROBE = """<script>
function lightbox() {
  const links = [...document.querySelectorAll('main a')], box = document.getElementById('lightbox');
  const key = k => document.dispatchEvent(new KeyboardEvent('keydown', {key: k}));
  links[0].click();
  const opened = !box.hidden && box.querySelector('img').src == links[0].href;
  key('ArrowRight');
  const stepped = box.querySelector('img').src == links[1].href;
  key('Escape');
  return opened && stepped && box.hidden;
}
addEventListener('load', () => {
  const grid = [...document.querySelectorAll('*')].filter(e => getComputedStyle(e).display
    == 'grid' && e.querySelector('img')).pop();
  const cells = [...grid?.children ?? []].filter(c => c.offsetParent && c.querySelector('img'));
  parent.postMessage(JSON.stringify({innerWidth, scrollWidth: document.documentElement.scrollWidth,
    columns: cells.filter(c => c.offsetTop == cells[0].offsetTop).length, lightbox: lightbox()}), '*');
});</script>"""

def urls(doc):
    for e in doc.iter():
        yield from (e.get(a) for a in ("src", "href") if e.get(a) is not None)
        yield from (i.split()[0] for i in (e.get("srcset") or "").split(",") if i.strip())

def check_page(out, extra, fail):
    try:
        doc = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(
            (out / "index.html").read_bytes())
    except html5lib.html5parser.ParseError as e:
        return fail(f"index.html does not parse: {e}")
    for path in (".//meta[@charset]", ".//meta[@name='viewport']", ".//title"):
        if doc.find(path) is None: fail(f"no {path}")
    for img in doc.iter("img"):
        if img.get("srcset") and not all(img.get(a) for a in ("alt", "width", "height")):
            fail(f"thumbnail without alt, width or height: {img.attrib}")
    for url in urls(doc):
        path = re.split("[#?]", url)[0]
        if re.match(r"[A-Za-z][A-Za-z0-9+.-]*:|/", url) or path and not URL.fullmatch(path):
            fail(f"URL not relative or not escaped: {url!r}")
        elif path and not (out / os.fsdecode(urllib.parse.unquote_to_bytes(path))).is_file():
            fail(f"URL names no file: {url!r}")
    text = "".join(t for e in doc.iter() if e.tag not in ("script", "style")
                   for t in (e.text or "", e.tail or ""))
    if "name" in extra and ODD not in text: fail(f"the caption {ODD!r} is not the page's text")

def check_layout(out, tmp, fail):
    (out / "probe.html").write_bytes((out / "index.html").read_bytes() + PROBE.encode())
    for width, height, rule, holds in LAYOUTS:
        (out / "frame.html").write_text(FRAME.format(width, height))
        dom = subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu",
                              "--disable-dev-shm-usage", f"--user-data-dir={tmp}/chromium",
                              "--window-size=1400,1000", "--virtual-time-budget=5000",
                              "--dump-dom", (out / "frame.html").as_uri()],
                             capture_output=True, text=True)
        found = re.search(r'<pre id="probe">(\{.*?\})</pre>', dom.stdout)
        figures = json.loads(found.group(1)) if found else None
        if not figures or not holds(figures):
            fail(f"{width}x{height}: {rule}: {figures or dom.stderr[-2000:]}")

def main(galerio):
    failures, chromium = [], os.access(CHROMIUM, os.X_OK)
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=tmp, XDG_CONFIG_HOME=tmp / "cf")
        (tmp / "photos").mkdir()
        for i, (name, size) in enumerate(PHOTOS):
            plain = tmp / f"{i}{Path(name).suffix}"  # ImageMagick reads % in names
            subprocess.run([CONVERT, "-size", size, f"gradient:#{i}36-#f{i}9", plain], check=True)
            plain.rename(tmp / "photos" / name)
        for n, (label, extra) in enumerate(RUNS):
            fail, out = lambda message: failures.append(f"{label}: {message}"), tmp / f"out{n}"
            run = subprocess.run([galerio, "--make-thumbs", tmp / "photos", "--out", out,
                                  "--style", "gallery", *extra], env=env, capture_output=True)
            if run.returncode != 0:
                fail(f"galerio ended with {run.returncode}: {run.stderr.decode(errors='replace')}")
                continue
            check_page(out, extra, fail)
            if chromium: check_layout(out, tmp, fail)
    for f in failures: print("FAIL:", f)
    if failures or chromium: return 1 if failures else 0
    print("chromium is not installed: the layout check is skipped")
    return 77  # the test's SKIP_RETURN_CODE

sys.exit(main(sys.argv[1]))
