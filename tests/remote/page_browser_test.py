#!/usr/bin/env python3
"""The status page in headless Chromium against a real headless station on
the simulated camera. Skipped (exit 77) when Selenium, Chromium or its driver
is missing.

    page_browser_test.py --bxgrabber PATH --bxevent PATH --shots DIR
"""
import argparse
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

SKIP = 77

try:
    from selenium import webdriver
    from selenium.common.exceptions import NoAlertPresentException, WebDriverException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    print("SKIPPED: python3-selenium is not installed")
    sys.exit(SKIP)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(what, condition, timeout=10.0):
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        try:
            last = condition()
            if last:
                return last
        except (WebDriverException, OSError, ValueError, KeyError):
            pass
        time.sleep(0.1)
    raise AssertionError(f"{what}: not within {timeout} s (last: {last!r})")


class Station:
    """BXGrabber running headless on the simulated camera in folders of its own."""

    def __init__(self, bxgrabber, bxevent, root):
        self.bxgrabber, self.bxevent, self.root = bxgrabber, bxevent, root
        self.port = free_port()
        self.photos = os.path.join(root, "photos")
        for folder in ("config", "state", "photos"):
            os.makedirs(os.path.join(root, folder), exist_ok=True)
        tag = os.path.basename(root)
        self.env = dict(os.environ, BX_CONFIG_DIR=os.path.join(root, "config"),
                        BX_STATE_DIR=os.path.join(root, "state"),
                        BX_RISE_EVENT="bxpage.rise." + tag, BX_FALL_EVENT="bxpage.fall." + tag,
                        BX_SIM_SENSOR="640x480")
        self.token = ""
        self.process = None

    def write_profile(self):
        with open(os.path.join(self.root, "config", "BXGrabber.ini"), "w") as profile:
            profile.write(
                "[Camera Settings]\nCamera Transport=sim\nNum Buffers=4\n"
                f"[Database Settings]\nDatabasePath={self.photos}/\nServerName=localhost\n"
                f"Counter Port={free_port()}\n"
                "[Trigger Settings]\nTrigger Source=1\nTriggerFilter=0\nMinDelay=0\n"
                f"[Program Settings]\nSerial Port=\nEnable Log=1\nApplication Path={self.root}\n"
                f"[Remote Settings]\nPort={self.port}\nToken={self.token}\n")

    def start(self, cameras=1):
        self.write_profile()
        env = dict(self.env, BX_SIM_CAMERAS=str(cameras))
        output = open(os.path.join(self.root, "state", "output.txt"), "a")
        self.process = subprocess.Popen([self.bxgrabber, "--headless"], env=env, stdout=output,
                                        stderr=subprocess.STDOUT)
        wait_until("the station's HTTP service", lambda: self.answers(), 20)

    def answers(self):
        try:
            with urllib.request.urlopen(self.url("/"), timeout=2) as response:
                return response.status == 200
        except (urllib.error.URLError, ConnectionError):
            return False

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(30)
        self.process = None

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def status(self):
        request = urllib.request.Request(self.url("/api/v1/status"))
        if self.token:
            request.add_header("Authorization", "Bearer " + self.token)
        with urllib.request.urlopen(request, timeout=5) as response:
            return json.load(response)

    def saved_photos(self):
        return sorted(os.path.join(d, f) for d, _, files in os.walk(self.photos) for f in files
                      if f.endswith(".jpg"))

    def pulse_until(self, what, done):
        """Pulses the trigger's fall and rise events until `done` holds: a pulse
        reaches only a station that waits for it."""
        def pulsed():
            for event in ("BX_FALL_EVENT", "BX_RISE_EVENT"):
                subprocess.run([self.bxevent, "pulse", self.env[event]], env=self.env, check=True)
            for _ in range(10):
                if done():
                    return True
                time.sleep(0.1)
            return False
        wait_until(what, pulsed, 20)

    def output(self):
        with open(os.path.join(self.root, "state", "output.txt")) as output:
            return output.read()


def browser(user_data):
    chromium = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    if not chromium or not driver:
        print("SKIPPED: Debian's chromium and chromium-driver are not installed")
        sys.exit(SKIP)
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     "--disable-dev-shm-usage", f"--user-data-dir={user_data}", "--window-size=1280,1000"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service(driver), options=options)


class Page:
    def __init__(self, driver):
        self.driver = driver

    def text(self, element_id):
        return self.driver.find_element(By.ID, element_id).text

    def shown(self, element_id):
        return self.driver.find_element(By.ID, element_id).is_displayed()

    def banner(self):
        return self.driver.find_element(By.ID, "banner").get_attribute("class")

    def click(self, element_id):
        self.driver.find_element(By.ID, element_id).click()

    def answer_prompt(self, text):
        alert = wait_until("the prompt", lambda: self.alert())
        alert.send_keys(text)
        alert.accept()

    def alert(self):
        try:
            return self.driver.switch_to.alert
        except NoAlertPresentException:
            return None

    def thumbnail(self):
        return self.driver.execute_script(
            "const i = document.getElementById('thumbnail');"
            "return i.hidden ? null : [i.getAttribute('src'), i.complete && i.naturalWidth];")

    def screenshot(self, path, width, height):
        """The whole page at `width` CSS pixels (a phone below 800)."""
        def emulate(h):
            self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                        {"width": width, "height": h, "deviceScaleFactor": 1,
                                         "mobile": width < 800})
            time.sleep(0.5)
        emulate(height)
        emulate(self.driver.execute_script("return document.documentElement.scrollHeight"))
        self.driver.save_screenshot(path)
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def check_running_station(page, station, shots):
    # "Ok" and every figure as the API gives it.
    wait_until("Ok", lambda: page.text("state") == "Ok" and "ok" in page.banner())
    status = station.status()
    wait_until("the figures", lambda: page.text("total") == str(status["photosSinceStart"]))
    for element, field in (("today", "photosToday"), ("failed", "failedSaves"), ("waiting", "recordsWaiting"),
                           ("operator", "operator"), ("film", "filmNumber"), ("trigger", "triggerSource"),
                           ("version", "version")):
        assert page.text(element) == str(status[field]), (element, page.text(element), status)
    assert page.driver.find_element(By.ID, "preset").get_attribute("value") == str(status["preset"])
    camera = status["camera"]
    assert page.text("camera") == f"{camera['model']} {camera['serial']}".strip(), (page.text("camera"), status)

    # Shot: the counter and the thumbnail change within 5 s.
    before_counter, before_thumbnail = page.text("counter"), page.thumbnail()
    page.click("shot")
    wait_until("the counter after Shot", lambda: page.text("counter") != before_counter, 5)
    wait_until("the thumbnail after Shot",
               lambda: page.thumbnail() and page.thumbnail() != before_thumbnail and page.thumbnail()[1], 5)
    wait_until("the saved counter", lambda: page.text("counter") in page.text("outcome"), 5)
    assert page.text("counter") == str(station.status()["lastCounter"])
    wait_until("the event list", lambda: "photo-saved" in page.text("events"))
    # The live picture shows the shot's frame, though the triggered camera sends no more.
    wait_until("the live picture", lambda: page.driver.execute_script(
        "return document.getElementById('preview').naturalWidth") > 0, 5)

    page.screenshot(os.path.join(shots, "page-laptop.png"), 1280, 900)
    page.screenshot(os.path.join(shots, "page-phone.png"), 360, 740)

    # Out of service: amber, and a pulse saves nothing.
    page.click("service")
    page.answer_prompt("Printer out of paper")
    wait_until("amber", lambda: "out" in page.banner() and "Printer out of paper" in page.text("reason"))
    photos = len(station.saved_photos())
    total = page.text("total")
    ignored = station.status()["ignoredTriggers"]
    station.pulse_until("an ignored pulse", lambda: station.status()["ignoredTriggers"] > ignored)
    time.sleep(1)
    assert len(station.saved_photos()) == photos, "a pulse saved a photo out of service"
    assert page.text("total") == total
    page.screenshot(os.path.join(shots, "page-out-of-service-phone.png"), 360, 740)
    page.click("service")
    wait_until("back in service", lambda: page.text("state") == "Ok" and "ok" in page.banner())
    station.pulse_until("a photo after a pulse", lambda: len(station.saved_photos()) > photos)
    wait_until("the figures after the pulse", lambda: page.text("total") == str(int(total) + 1))


def check_restart(page, station):
    station.stop()
    wait_until("disconnected", lambda: page.text("link") == "disconnected", 10)
    station.start()
    wait_until("back by itself", lambda: page.text("link") == "connected" and page.text("state") == "Ok", 20)


def check_broken_camera(page, station, shots):
    station.stop()
    station.start(cameras=0)
    wait_until("no camera", lambda: page.text("link") == "connected" and "ok" not in page.banner(), 20)
    status = station.status()
    assert not status["camera"]["connected"], status
    assert page.text("state") == status["status"] == "Ko", (page.text("state"), status)
    assert status["reason"] and status["reason"] in page.text("reason"), (page.text("reason"), status)
    assert page.text("camera") == "Not connected", page.text("camera")
    page.screenshot(os.path.join(shots, "page-no-camera-phone.png"), 360, 740)


def check_token(page, station, driver, shots):
    station.stop()
    station.token = "s3cret-token"
    station.start()
    driver.delete_all_cookies()
    driver.refresh()
    wait_until("the sign-in form", lambda: page.shown("signin"), 10)
    assert not page.shown("station")
    assert station.token not in driver.page_source
    page.screenshot(os.path.join(shots, "page-signin-phone.png"), 360, 740)
    driver.find_element(By.ID, "token").send_keys("wrong")
    page.click("signin-submit")
    wait_until("the refusal", lambda: page.text("signin-error") != "", 5)
    assert not page.shown("station")
    field = driver.find_element(By.ID, "token")
    field.clear()
    field.send_keys(station.token)
    page.click("signin-submit")
    wait_until("the station after sign-in", lambda: page.shown("station") and page.text("state") == "Ok", 10)
    assert not page.shown("signin")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bxgrabber", required=True)
    parser.add_argument("--bxevent", required=True)
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    arguments = parser.parse_args()
    shots = arguments.shots
    os.makedirs(shots, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="bxpage-") as root:
        station = Station(arguments.bxgrabber, arguments.bxevent, os.path.join(root, "station"))
        driver = browser(os.path.join(root, "chromium"))
        try:
            station.start()
            page = Page(driver)
            driver.get(station.url("/"))
            check_running_station(page, station, shots)
            check_restart(page, station)
            check_broken_camera(page, station, shots)
            check_token(page, station, driver, shots)
        except Exception:
            print(station.output())
            raise
        finally:
            driver.quit()
            station.stop()
    print("page browser test: 1 passed, 0 failed")


if __name__ == "__main__":
    main()
