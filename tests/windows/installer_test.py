"""The Windows installer under Wine: a silent install puts the program's files, its Start-menu
entries and its entry in Apps & features in place, and the Run value only when "Start with
Windows" was chosen; the silent uninstall takes them away again and leaves the user's
settings and Favorites alone.

Usage: installer_test.py SETUP_EXE (an absolute path; scripts/package-windows prints it)
"""
import getpass, os, pathlib, re, subprocess, sys, tempfile

from wine_prefix import WINE, fresh_prefix, run

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrin"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
INSTALLED = r"C:\Program Files\Kestrin"
PROGRAM = INSTALLED + r"\kestrin.exe"
START_MENU = pathlib.Path("ProgramData/Microsoft/Windows/Start Menu/Programs")
SHIPPED = ["LICENSE.txt", "kestrin-cli.exe", "kestrin-manual.html", "kestrin.exe"]
SETTINGS = b"[Settings]\r\nName=Win\r\nStartWithWin=0\r\n"
SHORTCUT = b"[InternetShortcut]\r\nURL=https://ex.org/\r\nIconFile=\r\nIconIndex=\r\n"

# The installer's options and the Run value before the install, after it, and after the
# uninstall (None: none). The uninstall removes only the value that starts the copy it removes.
OURS = f'"{PROGRAM}"'
ANOTHER_COPYS = r'"C:\Portable\kestrin.exe"'
CASES = [
    (("/STARTWITHWINDOWS",), None, OURS, None),
    ((), ANOTHER_COPYS, ANOTHER_COPYS, ANOTHER_COPYS),
]


def registry(key, *value):
    """The values under key (or the one named), or None when reg finds nothing."""
    found = subprocess.run([WINE, "reg", "query", key, *(("/v", *value) if value else ())],
                           capture_output=True)
    if found.returncode != 0:
        return None
    lines = found.stdout.decode("utf-8", errors="replace").splitlines()
    return dict(m.groups() for m in
                (re.match(r"^\s+(\S+)\s+REG_\w+\s+(.*?)\s*$", line) for line in lines) if m)


def run_value():
    values = registry(RUN_KEY, "kestrin")
    return values and values["kestrin"]


def check_installed(drive, stage):
    """Returns the uninstall key's values."""
    folder = drive / "Program Files" / "Kestrin"
    assert sorted(p.name for p in folder.iterdir()) == sorted(SHIPPED + ["Uninstall.exe"]), \
        sorted(folder.iterdir())
    for name in SHIPPED:
        assert (folder / name).read_bytes() == (stage / name).read_bytes(), name
    for link, target in (("Kestrin.lnk", PROGRAM),
                         ("Kestrin Help.lnk", INSTALLED + r"\kestrin-manual.html")):
        data = (drive / START_MENU / link).read_bytes()
        assert target.encode() in data or target.encode("utf-16-le") in data, (link, data)
    uninstall = f'"{INSTALLED}\\Uninstall.exe"'
    values = registry(UNINSTALL_KEY)
    shipped_kib = sum((stage / name).stat().st_size for name in SHIPPED) // 1024
    size_kib = int(values.pop("EstimatedSize"), 16)
    assert shipped_kib <= size_kib <= shipped_kib + len(SHIPPED), (size_kib, shipped_kib)
    version = re.fullmatch(r"kestrin-(.*)-setup\.exe", pathlib.Path(sys.argv[1]).name)[1]
    assert values == {
        "DisplayName": "Kestrin", "DisplayVersion": version, "Publisher": "Kestrin developers",
        "DisplayIcon": PROGRAM + ",0", "UninstallString": uninstall,
        "QuietUninstallString": uninstall + " /S", "InstallLocation": INSTALLED,
        "NoModify": "0x1", "NoRepair": "0x1"}, values
    return values


def uninstall(quietly):
    """Runs the uninstaller as Apps & features would and waits for the copy of it it starts."""
    program, options = quietly[1:].split('" ')
    run([WINE, program, *options.split()])
    run(["/usr/lib/wine/wineserver", "-w"])


def case(drive, stage, options, run_before, run_installed, run_uninstalled):
    user = drive / "users" / getpass.getuser()
    settings = user / "AppData" / "Roaming" / "kestrin" / "kestrin.ini"
    settings.parent.mkdir(parents=True, exist_ok=True)
    settings.write_bytes(SETTINGS)
    favorite = user / "Favorites" / "Example.url"
    favorite.parent.mkdir(parents=True, exist_ok=True)
    favorite.write_bytes(SHORTCUT)
    if run_before:
        run([WINE, "reg", "add", RUN_KEY, "/v", "kestrin", "/d", run_before, "/f"])

    run([WINE, sys.argv[1], "/S", *options])
    values = check_installed(drive, stage)
    assert run_value() == run_installed
    # Chosen, "Start with Windows" is on in the program's settings too, the rest kept.
    planted = set(SETTINGS.decode().splitlines())
    on = planted - {"StartWithWin=0"} | {"StartWithWin=1"}
    assert set(settings.read_bytes().decode().splitlines()) == (on if options else planted), \
        settings.read_bytes()
    portable = drive / "Program Files" / "Kestrin" / "kestrin.ini"  # a copy writing beside itself
    portable.write_bytes(SETTINGS)
    kept = {p: p.read_bytes() for p in (settings, favorite, portable)}

    uninstall(values["QuietUninstallString"])
    assert list(portable.parent.iterdir()) == [portable], sorted(portable.parent.iterdir())
    assert {p: p.read_bytes() for p in kept} == kept
    assert not any((drive / START_MENU).glob("Kestrin*"))
    assert registry(UNINSTALL_KEY) is None
    assert run_value() == run_uninstalled
    portable.unlink()


def main():
    setup = pathlib.Path(sys.argv[1])
    stage = setup.parent / "installer"  # the files as scripts/package-windows packed them
    # Wine would otherwise copy the Start-menu entries into this computer's own menu.
    os.environ["WINEDLLOVERRIDES"] = "winemenubuilder.exe=d"
    with tempfile.TemporaryDirectory() as temp, fresh_prefix(pathlib.Path(temp)):
        for options, *run_values in CASES:
            case(pathlib.Path(temp) / "prefix" / "drive_c", stage, options, *run_values)
    print("Kestrin installed and uninstalled")


if __name__ == "__main__":
    main()
