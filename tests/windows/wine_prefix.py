"""What every Windows test under Wine shares: a fresh prefix of its own, and commands that
must succeed."""
import contextlib, os, subprocess, sys

WINE = "/usr/lib/wine/wine64"


def run(command, **kw):
    done = subprocess.run(command, capture_output=True, **kw)
    if done.returncode != 0:
        sys.exit(f"FAILED {command}:\n{done.stdout.decode(errors='replace')}"
                 f"{done.stderr.decode(errors='replace')}")
    return done


def windows_path(path):
    """A Linux path as Windows programs under Wine see it (drive Z: is the root)."""
    return "Z:" + str(path).replace("/", "\\")


@contextlib.contextmanager
def fresh_prefix(top):
    """Boots a new Wine prefix in top/prefix, saying Windows 10 as the systems Kestrin runs on
    do (a new prefix says Windows 7); stops its wineserver on the way out."""
    os.environ.update(WINEPREFIX=str(top / "prefix"), WINEDEBUG="-all")
    run([WINE, "wineboot", "-i"])
    run([WINE, "reg", "add", r"HKCU\Software\Wine", "/v", "Version", "/d", "win10", "/f"])
    try:
        yield
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-k"])
