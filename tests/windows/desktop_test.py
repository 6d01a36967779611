"""kestrin.exe, the Windows desktop program, under Wine on a bare X server with a tray.

Usage: desktop_test.py BUILD_WINDOWS [--screenshots DIR]
Runs the unit tests of the program's windows, which need a display. Then the program starts
into the tray with its window hidden, shows the window on a click on its icon, syncs with
"Sync Now!" against pyftpdlib (the shared list appears on the server, the run's last line in
the log), stays one instance (a second start ends and brings the window forward) and ends by
File, Exit; at 96 and at 144 dots per inch. With --screenshots it keeps a picture of each
page at each as DIR/windows-<page>-<dpi>.png.
"""
import argparse, base64, getpass, os, pathlib, select, shutil, subprocess, sys, tempfile, time

from wine_prefix import WINE, fresh_prefix, run

TOP = pathlib.Path(__file__).resolve().parent.parent.parent
PAGES = ("general", "ftp", "activity")
SHORTCUT = b"[InternetShortcut]\r\nURL=https://kestrel.example/\r\nIconFile=\r\nIconIndex=\r\n"


def wait_for(condition, what, seconds=60):
    """Polls until condition() holds and returns what it gave; a bounded wait, not a timing
    check."""
    end = time.monotonic() + seconds
    while not (held := condition()):
        if time.monotonic() > end:
            subprocess.run(["import", "-window", "root", "/tmp/desktop_test_failed.png"])
            sys.exit(f"FAILED waiting for {what}")
        time.sleep(0.2)
    return held


def xdotool(*words):
    return subprocess.run(["xdotool", *words], capture_output=True, text=True).stdout.split()


def shown_windows():
    return xdotool("search", "--onlyvisible", "--name", "^Kestrin$")


class Tray:
    """scripts/xembed-tray, and the icon it docked last (Wine may dock an icon again)."""

    def __init__(self):
        self.process = subprocess.Popen(["/usr/bin/python3", str(TOP / "scripts" / "xembed-tray")],
                                        stdout=subprocess.PIPE)
        self.icon = None

    def docked(self):
        """True while the icon docked last is still there."""
        while select.select([self.process.stdout], [], [], 0)[0]:
            words = self.process.stdout.readline().split()
            if words[:1] == [b"docked"]:
                self.icon = str(int(words[1], 16))
        return self.icon is not None and not self.icon_gone()

    def icon_gone(self):
        return subprocess.run(["xwininfo", "-id", self.icon], capture_output=True).returncode != 0

    def click_icon(self):
        self.docked()
        info = subprocess.run(["xwininfo", "-id", self.icon], capture_output=True, text=True)
        at = {line.split(":")[0].strip(): line.split(":")[1].strip()
              for line in info.stdout.splitlines() if ":" in line}
        x = int(at["Absolute upper-left X"]) + int(at["Width"]) // 2
        y = int(at["Absolute upper-left Y"]) + int(at["Height"]) // 2
        xdotool("mousemove", str(x), str(y), "click", "1")


def start_display():
    """Xvfb on a free display, with a tray."""
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x900x24",
                             "-nolisten", "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
    return xvfb, Tray()


def set_dpi(dpi):
    run([WINE, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
         "REG_DWORD", "/d", str(dpi), "/f"])


def start_program(exe, tray):
    tray.icon = None  # an icon of an earlier program has gone
    program = subprocess.Popen([WINE, str(exe)], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    wait_for(tray.docked, "the tray icon")
    assert not shown_windows(), "the window shows at start"
    return program


def show_by_click(tray):
    tray.click_icon()
    return wait_for(shown_windows, "the window after a click on the icon")[0]


def keys(window, *names):
    xdotool("windowfocus", "--sync", window)
    for name in names:
        xdotool("key", "--clearmodifiers", name)


def sync_now(window, app, server):
    keys(window, "alt+w")  # "Sync No&w!"
    log = app / "kestrin.log"
    wait_for(lambda: log.exists() and b" ended at " in log.read_bytes(), "the run's last line")
    shared = (server / "favs.dat").read_bytes()
    assert b"Kestrel" in shared, shared


def one_instance(exe, window, tray):
    tray.click_icon()  # hides the window
    wait_for(lambda: not shown_windows(), "the window to hide on a click on the icon")
    second = subprocess.run([WINE, str(exe)], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, timeout=60)
    assert second.returncode == 0, second
    wait_for(lambda: window in shown_windows(), "the window brought forward by a second start")


def screenshots(window, dpi, folder, shown_page):
    """From the page shown now, each page in turn (Ctrl+Tab turns them)."""
    for page in PAGES[shown_page:] + PAGES[:shown_page]:
        xdotool("sleep", "0.5")  # the page has painted
        subprocess.run(["import", "-window", window, str(folder / f"windows-{page}-{dpi}.png")],
                       check=True)
        keys(window, "ctrl+Tab")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", type=pathlib.Path)
    parser.add_argument("--screenshots", type=pathlib.Path)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as temp:
        top = pathlib.Path(temp)
        server = top / "server" / "shared"
        server.mkdir(parents=True)
        ftpd = subprocess.Popen(["/usr/bin/python3", str(TOP / "tests" / "support" /
                                                          "pyftpd_server.py"),
                                 str(top / "server"), "user", "secret", str(top / "logins"),
                                 str(top / "port"), "--rename-keeps-target"],
                                stderr=subprocess.DEVNULL)
        # Wine's tray lives in the process that boots the prefix: it needs the display then.
        xvfb, tray = start_display()
        # No offer to install Mono or Gecko while it boots.
        os.environ["WINEDLLOVERRIDES"] = "mscoree,mshtml="
        try:
            with fresh_prefix(top):
                tests = args.build / "tests" / "windows" / "with_display" / "win32_windows_test.exe"
                print(run([WINE, str(tests)], cwd=top).stdout.decode(errors="replace").splitlines()[-1])
                wait_for((top / "port").exists, "the FTP server")
                port = int((top / "port").read_text())
                # Wine draws the windows' frames itself: there is no window manager.
                run([WINE, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                     "/d", "N", "/f"])
                favorites = top / "prefix" / "drive_c" / "users" / getpass.getuser() / "Favorites"
                favorites.mkdir(parents=True, exist_ok=True)
                (favorites / "Kestrel.url").write_bytes(SHORTCUT)
                app = top / "app"  # a writable folder: the settings and the log live beside
                app.mkdir()
                exe = app / "kestrin.exe"
                shutil.copy(args.build / "win32" / "kestrin.exe", exe)
                (app / "kestrin.ini").write_bytes(
                    f"[Settings]\r\nName=Win\r\nServer=127.0.0.1\r\nUsername=user\r\n"
                    f"Password={base64.b64encode(b'secret').decode()}\r\nPort={port}\r\n"
                    f"Passive=1\r\nRemoteDir=shared\r\nConfirmChanges=0\r\nLogActivity=1\r\n"
                    .encode())
                for dpi in (96, 144):
                    set_dpi(dpi)
                    print(f"at {dpi} dpi", flush=True)
                    program = start_program(exe, tray)
                    window = show_by_click(tray)
                    if dpi == 96:
                        sync_now(window, app, server)  # which shows the "Current Activity" page
                        one_instance(exe, window, tray)
                    if args.screenshots:
                        screenshots(window, dpi, args.screenshots, 2 if dpi == 96 else 0)
                    keys(window, "alt+f", "x")  # File, Exit
                    assert program.wait(timeout=60) == 0
                    wait_for(tray.icon_gone, "the tray icon to go with the program")
        finally:
            ftpd.kill()
            tray.process.kill()
            xvfb.kill()
    print("kestrin.exe started into the tray, showed, synced, kept one instance and exited")


if __name__ == "__main__":
    main()
