#!/usr/bin/python3
"""The pointer is the system hand over the link and the arrow everywhere else.

Wine gives every process its own handles for the shared cursors, so the cursor is compared
as the X server shows it: cursor_probe.exe moves the pointer, this reads the image.
"""
import os
import subprocess
import sys

from Xlib import display
from Xlib.ext import xfixes  # noqa: F401  (registers the extension)


def main():
    probe = os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), "cursor_probe.exe")
    screen = display.Display()
    screen.xfixes_query_version()
    root = screen.screen().root
    images = {}
    with subprocess.Popen([os.environ.get("WINELOADER", "wine"), probe], stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, text=True) as process:
        for line in process.stdout:
            place = line.strip()
            cursor = screen.xfixes_get_cursor_image(root)
            images[place] = (cursor.width, cursor.height, cursor.xhot, cursor.yhot,
                             tuple(cursor.cursor_image))
            process.stdin.write("\n")
            process.stdin.flush()
        code = process.wait(timeout=30)

    failures = []
    if set(images) != {"hand", "arrow", "link", "background", "label"}:
        failures.append(f"places reported: {sorted(images)}")
    elif images["hand"] == images["arrow"]:
        failures.append("the reference hand and arrow cursors look the same")
    else:
        for place, expected in (("link", "hand"), ("background", "arrow"), ("label", "arrow")):
            if images[place] != images[expected]:
                failures.append(f"over the {place} the cursor is not the {expected}")
    if code != 0:
        failures.append(f"the probe ended with {code}")
    for failure in failures:
        print("FAILED:", failure)
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
