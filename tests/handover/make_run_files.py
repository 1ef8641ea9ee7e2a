"""Writes a commissioning report and a backup manifest as the tool writes
them, ROWS rows of the report, with texts a hostile hand put into them.

    make_run_files.py FOLDER ROWS
"""
import datetime
import json
import sys

folder, count = sys.argv[1], int(sys.argv[2])
start = 1765188000  # 2025-12-08T10:00:00Z


def stamp(seconds):
    moment = datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%S.") + "%03dZ" % (int(round(seconds * 1000)) % 1000)


def mac(n):
    return "02-00-5E-%02X-%02X-%02X" % (n >> 16 & 255, n >> 8 & 255, n & 255)


rows = []
for n in range(count):
    result = "fail" if n % 10 == 3 else "stop" if n == 5 else "not started" if n == 7 else "pass"
    begun = start + (n % 50) * 0.2
    took = 95.0 if n == 11 else 4.0 + (n % 7) * 0.5  # row 12: the stuck one
    row = {
        "line": n + 2, "mac": mac(n), "product": "QV", "firmware": "6.1",
        "before": "127.0.%d.%d" % (n // 200, n % 200 + 2), "after": "10.1.%d.%d" % (n // 200, n % 200 + 10),
        "file": "door-%d.rec" % n, "sha256": "%064x" % (n * 7919 + 1), "steps": ["set-ip", "load"],
        "result": result, "reason": "ip moved; loaded door-%d.rec" % n,
    }
    if result != "not started":
        row.update({"start": stamp(begun), "end": stamp(begun + took), "seconds": took})
    rows.append(row)
rows[3]["reason"] = "<script>alert('handover')</script> & <img src=x onerror=alert(2)>"
rows[3]["product"] = "<b"
rows[13]["file"] = "=HYPERLINK(\"http://example.invalid\",\"x\")"
report = {"format": "quelvarinit-commission-report", "version": 1,
          "sheet": "site<svg onload=alert(3)>.csv", "rows": rows}
with open(folder + "/report.json", "w", encoding="utf-8") as out:
    json.dump(report, out, indent=2)

modules = [{"mac": mac(0x100000 + n), "address": "10.2.0.%d" % (n + 2), "product": "QV",
            "firmware": "7.0", "file": "m%d.rec" % n, "sha256": "%064x" % (n + 99), "result": "saved",
            "start": stamp(start + 600), "end": stamp(start + 603.5), "seconds": 3.5} for n in range(4)]
modules.append({"mac": mac(0x100004), "address": "10.2.0.9", "product": "QV", "firmware": "7.0",
                "file": "", "sha256": "", "result": "failed", "reason": "socket error 111 (Connection refused)"})
with open(folder + "/backup.json", "w", encoding="utf-8") as out:
    json.dump({"format": "quelvarinit-backup", "version": 1, "modules": modules}, out, indent=2)
