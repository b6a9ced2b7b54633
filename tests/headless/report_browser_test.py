#!/usr/bin/env python3
"""The HTML report of a folder comparison, opened in a real browser (headless
Chromium driven by Selenium): it loads without console errors, its counts
are the JSON run's, its changes are listed one by one as the run counts them, and its filter, search, slider, blink, one view at a time, the filter kept in
the address, the steps between pairs and the region outlines work.

Usage: report_browser_test.py VARNOLT pdf|nopdf
Exits 77 (skipped) when Chromium, its driver or Selenium are missing."""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    skip("python3-selenium is not installed")
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    skip("chromium or chromium-driver is not installed")


def png(path, width, height, boxes):
    """A white RGB picture with boxes (x, y, w, h, (r, g, b)) filled."""
    rows = []
    for y in range(height):
        row = bytearray(b"\xff" * (3 * width))
        for x0, y0, w, h, colour in boxes:
            if y0 <= y < y0 + h:
                row[3 * x0:3 * (x0 + w)] = bytes(colour) * w
        rows.append(b"\x00" + bytes(row))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" +
                  chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))


def pdf(path, pages):
    """A PDF of 200 x 100 point pages, each the content stream given."""
    objects = ["<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [%s] /Count %d >>" %
               (" ".join("%d 0 R" % (3 + 2 * i) for i in range(len(pages))), len(pages))]
    for i, content in enumerate(pages):
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] "
                       "/Contents %d 0 R /Resources << >> >>" % (4 + 2 * i))
        objects.append("<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content))
    text, offsets = "%PDF-1.4\n", []
    for n, body in enumerate(objects):
        offsets.append(len(text))
        text += "%d 0 obj\n%s\nendobj\n" % (n + 1, body)
    xref = len(text)
    text += "xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    text += "".join("%010d 00000 n \n" % offset for offset in offsets)
    text += "trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    with open(path, "w", encoding="latin-1") as out:
        out.write(text)


GONE = "gone <b>&\"'é.png"  # a name that must stay text in the page


def make_folders(work, with_pdf):
    old, new = os.path.join(work, "old"), os.path.join(work, "new")
    os.makedirs(old)
    os.makedirs(new)
    black, red = (0, 0, 0), (220, 30, 30)
    for i in range(3):
        for side in (old, new):
            png(os.path.join(side, "same%d.png" % i), 60, 40, [(5, 5, 10, 10, black)])
    for i, box in enumerate([(30, 10, 12, 8, red), (40, 20, 6, 6, black)]):
        png(os.path.join(old, "changed%d.png" % i), 80, 50, [(5, 5, 10, 10, black)])
        png(os.path.join(new, "changed%d.png" % i), 80, 50, [(5, 5, 10, 10, black), box])
    # A sheet with two edits, each of several regions: two words of
    # letter-sized marks written on it, on lines apart.
    frame = [(0, 0, 300, 2, black), (0, 158, 300, 2, black)]
    words = [(40 + 30 * i, y, 8, 20, black) for y in (40, 110) for i in range(4)]
    png(os.path.join(old, "sheet.png"), 300, 160, frame)
    png(os.path.join(new, "sheet.png"), 300, 160, frame + words)
    png(os.path.join(old, GONE), 20, 20, [])
    png(os.path.join(new, "added.png"), 20, 20, [])
    if with_pdf:
        # Page 2 keeps most of its drawing, with one box moved.
        frame = "0 0 0 RG 2 w 10 10 180 80 re S "
        sheet = frame + "0 g 20 20 60 40 re f 100 20 60 10 re f "
        pdf(os.path.join(old, "doc.pdf"), [frame, sheet + "120 50 20 20 re f"])
        pdf(os.path.join(new, "doc.pdf"), [frame, sheet + "126 54 20 20 re f"])
    return old, new


def run(varnolt, *arguments):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([varnolt, "--compare", *arguments], capture_output=True,
                          text=True, env=env, timeout=60)
    if done.returncode != 1:
        raise SystemExit("varnolt %s: exit %d, not 1\n%s" %
                         (" ".join(arguments), done.returncode, done.stderr))
    return done.stdout


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--window-size=1400,1000"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def wait_for(condition, seconds=5):
    end = time.time() + seconds
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def check_page(driver, records, totals, with_pdf):
    errors = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
    check(not errors, "console errors: %s" % errors)

    counts = {key: int(driver.find_element(By.CSS_SELECTOR, "[data-count=%s] b" % key).text)
              for key in ("identical", "different", "only_old", "only_new", "error")}
    check(counts == {"identical": totals["identical"], "different": totals["different"],
                     "only_old": totals["only_in_old"], "only_new": totals["only_in_new"],
                     "error": totals["errors"]},
          "summary counts %s against the JSON totals %s" % (counts, totals))

    rows = driver.find_elements(By.CSS_SELECTOR, "#pairs tbody tr")
    check(len(rows) == len(records), "%d rows for %d pairs" % (len(rows), len(records)))
    names = [row.find_element(By.CSS_SELECTOR, "td.name").text for row in rows]
    check(GONE in names, "the name %r shown as text among %s" % (GONE, names))
    if with_pdf:
        check("doc.pdf (page 2 / 2)" in names, "the PDF's second page pair in %s" % names)

    # The verdict filter: identical rows go and come back.
    identical = driver.find_element(By.CSS_SELECTOR, "input[name=verdict][value=identical]")
    identical.click()
    shown = [row.get_attribute("data-verdict") for row in rows if row.is_displayed()]
    check("identical" not in shown and "different" in shown,
          "identical rows hidden by the filter (shown: %s)" % shown)
    identical.click()
    check(sum(row.is_displayed() for row in rows) == len(rows), "all rows shown again")
    # The least share: only the pairs changed at least that much.
    least = driver.find_element(By.ID, "min-share")
    least.clear()
    least.send_keys("1")
    shown = [float(row.get_attribute("data-share")) for row in rows if row.is_displayed()]
    check(shown and min(shown) >= 0.01, "rows of at least 1 %% changed: %s" % shown)
    least.clear()
    least.send_keys("0")

    # Sorting by the changed pixels, largest first on the second click.
    header = driver.find_elements(By.CSS_SELECTOR, "#pairs th")[3]
    header.click()
    header.click()
    keys = [float(cell.get_attribute("data-key")) for cell in
            driver.find_elements(By.CSS_SELECTOR, "#pairs tbody tr td:nth-child(4)")]
    check(keys == sorted(keys, reverse=True), "changed pixels sorted down: %s" % keys)

    # A file on one side only: its one picture, in a view of its own.
    single = driver.find_element(By.CSS_SELECTOR, "article.pair[data-verdict=only_old]")
    driver.execute_script("arguments[0].scrollIntoView()", single)
    check(wait_for(lambda: driver.execute_script(
        "const imgs = arguments[0].querySelectorAll('.view.single img');"
        "return imgs.length == 1 && imgs[0].complete && imgs[0].naturalWidth > 0", single)),
        "the removed file's picture shows")

    article = driver.find_element(By.CSS_SELECTOR, "article.pair[data-verdict=different]")
    driver.execute_script("arguments[0].scrollIntoView()", article)
    boxes = article.find_elements(By.CSS_SELECTOR, ".view.side .box")
    check(boxes and all(box.size["width"] > 0 and box.size["height"] > 0 for box in boxes),
          "change regions outlined")
    loaded = driver.execute_script(
        "return Array.from(arguments[0].querySelectorAll('.view.side img'))"
        ".every(img => img.complete && img.naturalWidth > 0)", article)
    check(wait_for(lambda: driver.execute_script(
        "return Array.from(arguments[0].querySelectorAll('.view.side img'))"
        ".every(img => img.complete && img.naturalWidth > 0)", article)) or loaded,
        "the pair's pictures load")

    # The slider: its divider moves the cut of the modified picture.
    article.find_element(By.CSS_SELECTOR, "button[data-view=swipe]").click()
    cut = article.find_element(By.CSS_SELECTOR, ".swipe-stage .cut")
    before = cut.value_of_css_property("clip-path")
    divider = article.find_element(By.CSS_SELECTOR, ".divider")
    divider.send_keys(Keys.HOME)
    after = cut.value_of_css_property("clip-path")
    check(before != after and "100%" in after,
          "the slider moves the clip (%s, then %s)" % (before, after))

    # Blink: the pictures alternate until paused.
    article.find_element(By.CSS_SELECTOR, "button[data-view=blink]").click()
    stage = article.find_element(By.CSS_SELECTOR, ".blink-stage")
    first = stage.get_attribute("data-shown")
    check(wait_for(lambda: stage.get_attribute("data-shown") != first, 4),
          "blink alternates the pictures")
    article.find_element(By.CSS_SELECTOR, ".pause").click()
    paused = stage.get_attribute("data-shown")
    time.sleep(1.6)
    check(stage.get_attribute("data-shown") == paused, "pause stops the blinking")

    check_changes(driver, records)
    check_views(driver, article)
    check_search_and_address(driver, rows)
    check_steps(driver)

    errors = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
    check(not errors, "console errors after use: %s" % errors)


def painted(driver, element):
    """Whether the element takes room on the page (a hidden one takes none)."""
    return driver.execute_script(
        "var r = arguments[0].getBoundingClientRect();"
        "return getComputedStyle(arguments[0]).display !== 'none' && r.width > 0 && r.height > 0",
        element)


def check_views(driver, article):
    """Each view button shows its view alone: the others are hidden and not painted."""
    views = article.find_elements(By.CSS_SELECTOR, ".view")
    for name in ("swipe", "blink", "diff", "side"):
        article.find_element(By.CSS_SELECTOR, "button[data-view=%s]" % name).click()
        shown = [view.get_attribute("class") for view in views if painted(driver, view)]
        check(shown == ["view " + name], "only the %s view painted, not %s" % (name, shown))
        check(all(view.is_displayed() == (view.get_attribute("class") == "view " + name)
                  for view in views), "the %s view alone displayed" % name)
    # 100 % shows the view at the pictures' own size, and back.
    zoom = article.find_element(By.CSS_SELECTOR, ".zoom")
    zoom.click()
    check("actual" in article.get_attribute("class"), "100 % shows the pictures at their size")
    zoom.click()


def check_search_and_address(driver, rows):
    """The name search filters rows; the filter is kept in the address and restored."""
    search = driver.find_element(By.ID, "search")
    search.send_keys("changed1")
    shown = [row.get_attribute("data-name") for row in rows if row.is_displayed()]
    check(shown == ["changed1.png"], "the search leaves changed1.png alone: %s" % shown)
    driver.find_element(By.CSS_SELECTOR, "input[name=verdict][value=identical]").click()
    address = driver.current_url
    check("name=changed1" in address and "hide=identical" in address,
          "the filter in the address: %s" % address)
    driver.get(address)
    check(driver.find_element(By.ID, "search").get_attribute("value") == "changed1" and
          not driver.find_element(By.CSS_SELECTOR,
                                  "input[name=verdict][value=identical]").is_selected(),
          "the filter restored from the address")
    rows = driver.find_elements(By.CSS_SELECTOR, "#pairs tbody tr")
    check(sum(row.is_displayed() for row in rows) == 1, "one row shown after the reload")
    driver.get(address.split("?")[0])


def check_changes(driver, records):
    """Each changed pair lists its changes one by one, as many as the JSON run
    counts; the sheet its two edits, each with the regions it is made of."""
    counts = {record["new"]: record["change_count"] for record in records
              if record["result"] == "different"}
    for article in driver.find_elements(By.CSS_SELECTOR, "article.pair[data-verdict=different]"):
        name = article.get_attribute("data-name")
        rows = article.find_elements(By.CSS_SELECTOR, "table.changes tr.change")
        cells = driver.find_elements(
            By.CSS_SELECTOR, "#pairs tr[data-name='%s'] td:nth-child(6)" % name)
        if name in counts:
            check(len(rows) == counts[name], "%s lists %d changes, the run counts %d" %
                  (name, len(rows), counts[name]))
            check(cells and cells[0].get_attribute("data-key") == str(counts[name]),
                  "%s counts its changes in the table of pairs" % name)
    check(counts.get("sheet.png") == 2, "the sheet's two edits counted: %s" % counts)
    sheet = driver.find_element(By.CSS_SELECTOR, "article.pair[data-name='sheet.png']")
    grouped = [len(sheet.find_elements(By.CSS_SELECTOR, "tr.region[data-change='%d']" % n))
               for n in (1, 2)]
    check(grouped == [4, 4], "each of the sheet's edits shows its four regions: %s" % grouped)


def check_steps(driver):
    """n and p move between the changed pairs; each pair is linked by its name."""
    articles = driver.find_elements(By.CSS_SELECTOR, "article.pair")
    body = driver.find_element(By.TAG_NAME, "body")
    body.send_keys("n")
    check("current" in articles[0].get_attribute("class"), "n goes to the first pair")
    body.send_keys("n")
    check("current" in articles[1].get_attribute("class") and
          driver.current_url.endswith("#" + articles[1].get_attribute("id")),
          "n goes to the next pair and names it in the address")
    body.send_keys("p")
    check("current" in articles[0].get_attribute("class"), "p goes back")
    link = driver.find_element(By.CSS_SELECTOR, "#pairs a[href='#pair=changed1.png']")
    check(any(a.get_attribute("id") == "pair=changed1.png" for a in articles) and
          link is not None, "the pair is linked by its name")
    gone = [a.get_attribute("href") for a in
            driver.find_elements(By.CSS_SELECTOR, "#pairs td.name a") if GONE in a.text]
    check(gone and "%3Cb%3E" in gone[0], "a name with markup is linked encoded: %s" % gone)


def main():
    varnolt, with_pdf = sys.argv[1], sys.argv[2] == "pdf"
    work = tempfile.mkdtemp(prefix="varnolt-report-")
    try:
        old, new = make_folders(work, with_pdf)
        lines = [json.loads(line) for line in run(varnolt, "--json", old, new).splitlines()]
        totals = next(line["totals"] for line in lines if "totals" in line)
        records = [line for line in lines if "result" in line]
        report = os.path.join(work, "report")
        run(varnolt, "--report", report, old, new)
        driver = browser()
        try:
            driver.get("file://" + os.path.join(report, "index.html"))
            check_page(driver, records, totals, with_pdf)
        finally:
            driver.quit()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        sys.exit(1)
    print("report checked in %s" % CHROMIUM)


main()
