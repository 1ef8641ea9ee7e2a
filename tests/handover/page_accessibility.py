"""Runs the axe-core accessibility rules on handover pages in Chromium,
through ChromeDriver's WebDriver interface, and prints every violation.

    page_accessibility.py CHROMEDRIVER CHROMIUM AXE_JS WORK PAGE.html...

Exits 1 when any page breaks a rule. Python's standard library only: the
WebDriver wire is plain JSON over HTTP on loopback.
"""
import json
import os
import subprocess
import sys
import time
import urllib.error
import urllib.request

driver_path, chromium, axe_path, work = sys.argv[1:5]
pages = sys.argv[5:]
port = 9515  # the test's own network namespace: no other driver is there
base = "http://127.0.0.1:%d" % port


def call(method, path, body=None, timeout=60):
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(base + path, data=data, method=method,
                                     headers={"Content-Type": "application/json"})
    try:
        with urllib.request.urlopen(request, timeout=timeout) as answer:
            return json.loads(answer.read().decode())["value"]
    except urllib.error.HTTPError as error:
        raise SystemExit("FAIL: WebDriver %s %s: %s" % (method, path, error.read()[:400]))


log = open(os.path.join(work, "chromedriver.log"), "w")
driver = subprocess.Popen([driver_path, "--port=%d" % port], stdout=log, stderr=log)
try:
    for _ in range(100):
        try:
            if call("GET", "/status", timeout=2).get("ready"):
                break
        except (OSError, SystemExit):
            pass
        time.sleep(0.1)
    else:
        raise SystemExit("FAIL: chromedriver did not start")

    options = {"binary": chromium,
               "args": ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                        "--user-data-dir=" + os.path.join(work, "axe-profile"),
                        "--window-size=1400,1000"]}
    session = call("POST", "/session", {"capabilities": {"alwaysMatch": {
        "browserName": "chrome", "goog:chromeOptions": options}}})["sessionId"]
    axe = open(axe_path, encoding="utf-8").read()
    broken = 0
    try:
        call("POST", "/session/%s/timeouts" % session, {"script": 60000})
        for page in pages:
            call("POST", "/session/%s/url" % session, {"url": "file://" + os.path.abspath(page)})
            # The page forbids scripts of its own; the driver's run the rules
            # beside it without changing it.
            call("POST", "/session/%s/execute/sync" % session, {"script": axe + "\nreturn 0;", "args": []})
            found = call("POST", "/session/%s/execute/async" % session, {
                "script": "const done = arguments[arguments.length - 1];"
                          "axe.run(document).then(r => done(JSON.stringify("
                          "{violations: r.violations, passes: r.passes.length})),"
                          " e => done(JSON.stringify({error: String(e)})));",
                "args": []}, timeout=90)
            result = json.loads(found)
            if "error" in result:
                raise SystemExit("FAIL: axe on %s: %s" % (page, result["error"]))
            if result["passes"] < 10:
                raise SystemExit("FAIL: axe passed only %d rules on %s" % (result["passes"], page))
            for violation in result["violations"]:
                broken += 1
                print("%s: %s (%s): %s" % (os.path.basename(page), violation["id"],
                                           violation["impact"], violation["help"]))
                for node in violation["nodes"][:3]:
                    print("    %s: %s" % (" ".join(map(str, node["target"])),
                                          node.get("failureSummary", "").replace("\n", " ")))
            print("%s: %d rules passed, %d broken" % (os.path.basename(page), result["passes"],
                                                     len(result["violations"])))
    finally:
        call("DELETE", "/session/%s" % session)
    sys.exit(1 if broken else 0)
finally:
    driver.terminate()
    try:
        driver.wait(timeout=10)
    except subprocess.TimeoutExpired:
        driver.kill()
