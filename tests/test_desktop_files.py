"""What `cmake --install` puts on a desktop: a desktop entry and AppStream metadata that the freedesktop
validators accept without a remark, and the icon the entry names in every size a launcher looks for."""
import os
import re
import struct
import tempfile
import xml.etree.ElementTree as ET

import app_harness as h

SIZES = (16, 24, 32, 48, 64, 128, 256)

check = h.Checks()


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


with tempfile.TemporaryDirectory() as prefix:
    r = h.run(h.program("cmake"), "--install", h.BUILD, "--prefix", prefix)
    check("cmake --install succeeds", r.returncode == 0, r.stderr)
    share = os.path.join(prefix, "share")
    desktop = os.path.join(share, "applications", f"{h.APP_ID}.desktop")
    metainfo = os.path.join(share, "metainfo", f"{h.APP_ID}.metainfo.xml")

    # Hints count too: desktop-file-validate only hints at a second main category, which doubles the menu entry.
    r = h.run(h.program("desktop-file-validate"), desktop)
    check("desktop entry validates without remarks", r.returncode == 0 and not (r.stdout + r.stderr).strip(),
          r.stdout + r.stderr)
    # Infos and pedantic notes stay allowed: Debian 12's validator does not know the newer <developer> tag.
    r = h.run(h.program("appstreamcli"), "validate", "--no-net", metainfo)
    check("metainfo validates without errors or warnings",
          r.returncode == 0 and not re.search(r"^[EW]:", r.stdout, re.M), r.stdout + r.stderr)

    with open(os.path.join(h.SOURCE, "CMakeLists.txt"), encoding="utf-8") as f:
        version = re.search(r"project\(\S+ VERSION (\S+)", f.read()).group(1)
    root = ET.parse(metainfo).getroot()
    releases = [rel.get("version") for rel in root.iterfind("releases/release")]
    check("metainfo has a release for the program's version", version in releases, f"{version} not in {releases}")
    check("metainfo names the developer", (root.findtext("developer/name") or "").strip() != "")

    with open(desktop, encoding="utf-8") as f:
        entry = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    icon = entry.get("Icon", "")
    hicolor = os.path.join(share, "icons", "hicolor")
    check("scalable icon installed under the entry's name",
          os.path.isfile(os.path.join(hicolor, "scalable", "apps", icon + ".svg")), icon)
    for size in SIZES:
        path = os.path.join(hicolor, f"{size}x{size}", "apps", icon + ".png")
        check(f"{size} px icon installed at its size", os.path.isfile(path) and png_size(path) == (size, size),
              path)
    program = os.path.join(prefix, "bin", entry.get("Exec", "?").split()[0])
    check("Exec names an installed program", os.access(program, os.X_OK), entry.get("Exec"))

check.finish()
