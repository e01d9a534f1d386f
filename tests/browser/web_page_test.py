#!/usr/bin/env python3
"""The web page in a real browser: headless Chromium driven through
chromium-driver. Starts `gridlet serve` on a free port, converts a tab-text
file to an XB Plus sheet and a workbook's second worksheet to an XD Plus
sheet through the page, compares both downloads with what `gridlet convert`
writes for the same files, previews the result and saves screenshots.

Usage: web_page_test.py --gridlet PATH --out FOLDER
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import Select, WebDriverWait

ARGS = None
WAIT = 120  # seconds for anything the page waits on (a LibreOffice start included)

TAB_TEXT = (b"Item\tAmount\tShare\r\nRent\t850\t=B2/B6\r\nFood\t320.5\t=B3/B6\r\n"
            b"Travel\t-45\t=B4/B6\r\nTotal\t=SUM(B2:B4)\t=IF(B5>1000,1,0)\r\n")

# A workbook of two worksheets in LibreOffice's flat XML form; converted to
# .xls by LibreOffice itself before the test.
FLAT_WORKBOOK = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:table table:name="Marks">
 <table:table-row>
  <table:table-cell office:value-type="string"><text:p>Name</text:p></table:table-cell>
  <table:table-cell office:value-type="string"><text:p>Mark</text:p></table:table-cell>
 </table:table-row>
 <table:table-row>
  <table:table-cell office:value-type="string"><text:p>Ada</text:p></table:table-cell>
  <table:table-cell office:value-type="float" office:value="17"><text:p>17</text:p></table:table-cell>
 </table:table-row>
</table:table>
<table:table table:name="Physics">
 <table:table-row>
  <table:table-cell office:value-type="string"><text:p>Velocity</text:p></table:table-cell>
  <table:table-cell office:value-type="float" office:value="12.5"><text:p>12.5</text:p></table:table-cell>
 </table:table-row>
 <table:table-row>
  <table:table-cell office:value-type="string"><text:p>Time</text:p></table:table-cell>
  <table:table-cell office:value-type="float" office:value="4"><text:p>4</text:p></table:table-cell>
 </table:table-row>
 <table:table-row>
  <table:table-cell office:value-type="string"><text:p>Distance</text:p></table:table-cell>
  <table:table-cell table:formula="of:=[.B1]*[.B2]" office:value-type="float" office:value="50"><text:p>50</text:p></table:table-cell>
 </table:table-row>
</table:table>
</office:spreadsheet></office:body></office:document>
"""


def run(command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, **kwargs)


class Server:
    """`gridlet serve --port 0`, stopped with SIGTERM."""

    def __init__(self, gridlet, log_path):
        self.log = open(log_path, "wb")
        self.process = subprocess.Popen([gridlet, "serve", "--port", "0"], stdout=subprocess.PIPE,
                                        stderr=self.log, stdin=subprocess.DEVNULL)
        line = self.process.stdout.readline().decode()
        match = re.search(r"(http://127\.0\.0\.1:\d+/)", line)
        if not match:
            self.stop()
            raise RuntimeError("gridlet serve did not say where it listens: " + line)
        self.url = match.group(1)

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()
        return self.process.returncode


def make_browser(downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="gridlet-chromium-")
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=1200,1500"]:
        options.add_argument(flag)
    options.add_experimental_option("prefs", {
        "download.default_directory": downloads,
        "download.prompt_for_download": False,
        "safebrowsing.enabled": False,
    })
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"),
                              options=options)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return driver, profile


def wait_for_file(folder, name):
    path = os.path.join(folder, name)
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        if os.path.exists(path) and not os.path.exists(path + ".crdownload"):
            with open(path, "rb") as f:
                return f.read()
        time.sleep(0.1)
    raise AssertionError(f"{name} was not downloaded; the folder holds {os.listdir(folder)}")


class WebPageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(ARGS.out, exist_ok=True)
        cls.work = tempfile.mkdtemp(prefix="gridlet-browser-")
        cls.downloads = os.path.join(cls.work, "downloads")
        cls.expected = os.path.join(cls.work, "expected")
        os.makedirs(cls.downloads)
        os.makedirs(cls.expected)
        cls.text = os.path.join(cls.work, "my budget.txt")
        with open(cls.text, "wb") as f:
            f.write(TAB_TEXT)
        cls.workbook = cls.make_workbook()
        cls.server = Server(ARGS.gridlet, os.path.join(ARGS.out, "serve.log"))
        cls.driver, cls.profile = make_browser(cls.downloads)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        status = cls.server.stop()
        shutil.rmtree(cls.work, ignore_errors=True)
        shutil.rmtree(cls.profile, ignore_errors=True)
        assert status == 0, f"gridlet serve ended with {status}"

    @classmethod
    def make_workbook(cls):
        flat = os.path.join(cls.work, "school.fods")
        with open(flat, "w", encoding="utf-8") as f:
            f.write(FLAT_WORKBOOK)
        profile = tempfile.mkdtemp(prefix="gridlet-lo-profile-")
        try:
            run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
                 "--convert-to", "xls", "--outdir", cls.work, flat], timeout=180)
        finally:
            shutil.rmtree(profile, ignore_errors=True)
        return os.path.join(cls.work, "school.xls")

    def command_output(self, source, target, *options):
        """What `gridlet convert` writes for the file: the file's bytes."""
        out = tempfile.mkdtemp(dir=self.expected)
        result = run([ARGS.gridlet, "convert", source, "--to", target, "-o", out, *options])
        with open(result.stdout.decode().strip(), "rb") as f:
            return f.read()

    def card(self, file_name):
        return WebDriverWait(self.driver, WAIT).until(ready.presence_of_element_located(
            (By.XPATH, f'//li[contains(@class,"file")][.//span[@class="file-name" and text()="{file_name}"]]')))

    def add_file(self, path):
        self.driver.find_element(By.ID, "files").send_keys(path)
        card = self.card(os.path.basename(path))
        WebDriverWait(self.driver, WAIT).until(
            lambda _: card.find_element(By.CLASS_NAME, "file-type").text not in ("", "checking…"))
        return card

    def convert(self, card):
        card.find_element(By.CLASS_NAME, "convert").click()
        WebDriverWait(self.driver, WAIT).until(
            lambda _: "done" in card.get_attribute("class") or "failed" in card.get_attribute("class"))
        messages = card.find_element(By.CLASS_NAME, "messages").text
        self.assertIn("done", card.get_attribute("class"), "the conversion failed: " + messages)
        return card.find_element(By.CLASS_NAME, "download")

    def test_page_converts_text_and_a_chosen_worksheet(self):
        driver = self.driver
        driver.get(self.server.url)
        self.assertEqual(driver.title, "Gridlet sheet converter")
        WebDriverWait(driver, WAIT).until(lambda _: len(Select(driver.find_element(By.ID, "target")).options) > 0)
        targets = [o.get_attribute("value") for o in Select(driver.find_element(By.ID, "target")).options]
        for target in ("xls", "txt", "xbv", "xcy", "xdy", "xfy"):
            self.assertIn(target, targets)

        # Tab text to an XB Plus sheet, downloaded and compared with the command's file.
        card = self.add_file(self.text)
        self.assertIn("text", card.find_element(By.CLASS_NAME, "file-type").text.lower())
        Select(driver.find_element(By.ID, "target")).select_by_value("xbv")
        link = self.convert(card)
        name = link.get_attribute("download")
        self.assertEqual(name, "MYBUDGET.xbv")
        link.click()
        self.assertEqual(wait_for_file(self.downloads, name), self.command_output(self.text, "xbv"))
        self.assertIn("MYBUDGET", card.find_element(By.CLASS_NAME, "messages").text)  # the rename is told

        # A workbook: its worksheets fill the chooser; the second is converted to XD Plus.
        card = self.add_file(self.workbook)
        sheet = card.find_element(By.CLASS_NAME, "sheet")
        WebDriverWait(driver, WAIT).until(lambda _: sheet.is_enabled())
        self.assertEqual([o.text for o in Select(sheet).options], ["Marks", "Physics"])
        Select(sheet).select_by_visible_text("Physics")
        Select(driver.find_element(By.ID, "target")).select_by_value("xdy")
        link = self.convert(card)
        name = link.get_attribute("download")
        self.assertEqual(name, "school.xdy")
        link.click()
        self.assertEqual(wait_for_file(self.downloads, name),
                         self.command_output(self.workbook, "xdy", "--sheet", "Physics"))

        # The result's preview shows the second worksheet as a grid.
        card.find_element(By.CLASS_NAME, "show-result").click()
        WebDriverWait(driver, WAIT).until(
            lambda _: len(driver.find_elements(By.CSS_SELECTOR, "#grid tbody tr")) == 3)
        cells = [[td.text for td in row.find_elements(By.TAG_NAME, "td")]
                 for row in driver.find_elements(By.CSS_SELECTOR, "#grid tbody tr")]
        self.assertEqual([row[0] for row in cells], ["Velocity", "Time", "Distance"])
        self.assertEqual(cells[0][1], "12.5")
        self.assertEqual(cells[2][1].upper(), "=B1*B2")  # a formula stays a formula
        headers = [th.text for th in driver.find_elements(By.CSS_SELECTOR, "#grid thead th")]
        self.assertEqual(headers, ["", "A", "B"])
        driver.save_screenshot(os.path.join(ARGS.out, "web-page.png"))

        # Nothing on the page came from anywhere but the server.
        for url in driver.execute_script(
                "return performance.getEntriesByType('resource').map(e => e.name)"):
            self.assertTrue(url.startswith(self.server.url) or url.startswith("blob:"), url)

    def test_page_is_readable_on_a_phone(self):
        driver = self.driver
        driver.set_window_size(390, 1600)
        try:
            driver.get(self.server.url)
            WebDriverWait(driver, WAIT).until(lambda _: len(Select(driver.find_element(By.ID, "target")).options) > 0)
            card = self.add_file(self.text)
            self.assertEqual(
                driver.execute_script("return document.documentElement.scrollWidth"),
                driver.execute_script("return document.documentElement.clientWidth"),
                "the page is wider than the phone's screen")
            self.assertLessEqual(card.rect["width"], 390)
            driver.save_screenshot(os.path.join(ARGS.out, "web-page-phone.png"))
        finally:
            driver.set_window_size(1200, 1500)

    def test_every_control_is_reached_with_the_keyboard(self):
        driver = self.driver
        driver.get(self.server.url)
        WebDriverWait(driver, WAIT).until(lambda _: len(Select(driver.find_element(By.ID, "target")).options) > 0)
        self.add_file(self.text)
        reached = set()
        body = driver.find_element(By.TAG_NAME, "body")
        body.click()
        for _ in range(40):
            driver.switch_to.active_element.send_keys("\t")
            active = driver.switch_to.active_element
            reached.add(active.get_attribute("id") or active.get_attribute("class"))
        for expected in ("choose", "target", "encoding", "strict", "convert-all"):
            self.assertIn(expected, reached)
        self.assertTrue(any("convert" in (r or "") for r in reached))
        self.assertTrue(any("device-name" in (r or "") for r in reached))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--gridlet", required=True)
    parser.add_argument("--out", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
