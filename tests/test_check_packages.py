"""scripts/check-packages against the real build: quiet with the package list of scripts/setup, and naming the
package when one the build or a test's program needs is taken off that list."""
import os
import tempfile

import app_harness as h

check = h.Checks()
listed = h.run(os.path.join(h.SOURCE, "scripts", "setup"), "--list", check=True).stdout.split()

# (package taken off the list, what the check must name, by which file it found the need)
rows = [
    (None, [], None),
    ("libqt6opengl6-dev", ["libqt6opengl6-dev"], "Qt6OpenGL_DIR"),
    ("libpugixml-dev", ["libpugixml-dev", "libpugixml1v5"], "pugixml.pc"),
    ("libglib2.0-bin", ["libglib2.0-bin"], "program gdbus started by tests/app_harness.py"),
]
with tempfile.TemporaryDirectory() as tmp:
    for removed, named, found_by in rows:
        label = f"without {removed}" if removed else "setup's own list"
        list_file = os.path.join(tmp, "packages")
        with open(list_file, "w") as f:
            f.write("\n".join(p for p in listed if p != removed) + "\n")
        r = h.run(os.path.join(h.SOURCE, "scripts", "check-packages"), "--build", h.BUILD, "--packages", list_file)
        if not removed:
            check(f"{label}: passes quietly", r.returncode == 0 and not r.stdout and not r.stderr, r.stderr)
            continue
        check(f"{label}: fails", r.returncode == 1, r.stderr)
        for package in named:
            check(f"{label}: names {package}", f"check-packages: {package} is not installed by scripts/setup"
                  in r.stderr, r.stderr)
        check(f"{label}: says what needs it", found_by in r.stderr, r.stderr)
        check(f"{label}: names nothing else", r.stderr.count("is not installed by scripts/setup") == len(named),
              r.stderr)

check.finish()
