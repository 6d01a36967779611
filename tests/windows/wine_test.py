"""A Windows computer (kestrin-cli.exe under Wine) and a Linux one sync through pyftpdlib.

Usage: wine_test.py BUILD_WINDOWS LINUX_KESTRIN_CLI
Runs the Windows unit tests, then the two computers both ways, with and without encryption.
"""
import base64, os, pathlib, subprocess, sys, tempfile, time

from wine_prefix import WINE, fresh_prefix, run, windows_path

RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
SHORTCUT = b"[InternetShortcut]\r\nURL=%s\r\nIconFile=\r\nIconIndex=\r\n"


def tree(root):
    return {str(p.relative_to(root)): (p.read_bytes() if p.is_file() else None)
            for p in sorted(root.rglob("*"))}


class Computer:
    def __init__(self, top, name, cli, windows, port, sealed, folder=None):
        self.cli, self.windows = cli, windows
        self.folder = folder or ("sealed" if sealed else "plain")  # the remote directory
        self.home = top / name
        self.favorites = self.home / "Favorites"
        self.favorites.mkdir(parents=True, exist_ok=True)
        self.settings = self.home / "kestrin.ini"
        self.write_settings(name, port, sealed, start=0)

    def write_settings(self, name, port, sealed, start):
        self.settings.write_bytes(
            f"[Settings]\r\nName={name}\r\nServer=127.0.0.1\r\nUsername=user\r\n"
            f"Password={base64.b64encode(b'secret').decode()}\r\nPort={port}\r\nPassive=1\r\n"
            f"RemoteDir={self.folder}\r\nUseEncryption={int(sealed)}\r\n"
            f"ConfirmChanges=0\r\nStartWithWin={start}\r\nLogActivity=1\r\n".encode())

    def path(self, p):
        return windows_path(p) if self.windows else str(p)

    def cli_run(self, *words):
        command = [self.cli, *words]
        return run([WINE, *command] if self.windows else command)

    def sync(self):
        self.cli_run("sync", "--yes", "--quiet", "--settings", self.path(self.settings),
                     "--favorites", self.path(self.favorites))


def converge(a, b):
    """a, the last to upload, brings its changes to b, which is the last to upload then."""
    a.sync(), b.sync()
    assert tree(a.favorites) == tree(b.favorites), (tree(a.favorites), tree(b.favorites))


def both_ways(linux, windows):
    (linux.favorites / "Café").mkdir()
    (linux.favorites / "Café" / "Crème brûlée.url").write_bytes(SHORTCUT % "https://ex.org/é".encode())
    converge(linux, windows)
    assert (windows.home / "kestrin.log").exists()  # beside its settings, named in Windows' form
    # The Windows computer wrote the shortcut it received: four lines, each ending in CR LF.
    assert (windows.favorites / "Café" / "Crème brûlée.url").read_bytes() == \
        SHORTCUT % "https://ex.org/é".encode()
    (windows.favorites / "Ωmega.url").write_bytes(SHORTCUT % b"https://omega.example/")
    (windows.favorites / "Café" / "Crème brûlée.url").unlink()
    converge(windows, linux)
    assert sorted(tree(linux.favorites)) == ["Café", "Ωmega.url"], tree(linux.favorites)


def windows_first(top, linux_cli, exe, port):
    """A Windows computer is the first in an empty folder: the empty listing is absence."""
    windows = Computer(top, "Win", exe, True, port, False, "first")
    (windows.favorites / "First.url").write_bytes(SHORTCUT % b"https://first.example/")
    windows.sync()
    linux = Computer(top, "Linux", linux_cli, False, port, False, "first")
    linux.sync()
    assert tree(linux.favorites) == tree(windows.favorites), tree(linux.favorites)


def refuses_protection(windows, port):
    """FTPS or SFTP is refused in a plain sentence, before anything is sent."""
    windows.settings.write_bytes(windows.settings.read_bytes() + b"Protocol=1\r\n")
    done = subprocess.run([WINE, windows.cli, "sync", "--yes", "--settings",
                           windows.path(windows.settings), "--favorites",
                           windows.path(windows.favorites)], capture_output=True)
    error = done.stderr.decode(errors="replace")
    reason = [line.strip() for line in error.splitlines() if "plain FTP only" in line]
    assert done.returncode == 1 and reason and reason[0].endswith("(Protocol=0)"), error


def autostart(windows, port):
    query = [WINE, "reg", "query", RUN_KEY, "/v", "kestrin"]
    for start in (1, 0):
        windows.write_settings("Win", port, False, start)
        windows.cli_run("startup", "--settings", windows.path(windows.settings))
        found = subprocess.run(query, capture_output=True)
        assert (found.returncode == 0) == bool(start), found.stdout
        assert not start or b'kestrin.exe"' in found.stdout, found.stdout


def main(then=None):
    """then(top, port, exe), when given, runs last with the server still up."""
    build, linux_cli = pathlib.Path(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory() as temp:
        top = pathlib.Path(temp)
        with fresh_prefix(top):
            (top / "server").mkdir()
            for folder in ("plain", "sealed", "first"):
                (top / "server" / folder).mkdir()
            support = pathlib.Path(__file__).resolve().parent.parent / "support"
            server = subprocess.Popen(["/usr/bin/python3", str(support / "pyftpd_server.py"),
                                       str(top / "server"), "user", "secret", str(top / "logins"),
                                       str(top / "port"), "--rename-keeps-target"],
                                      stderr=subprocess.DEVNULL)
            try:
                while not (top / "port").exists():
                    time.sleep(0.05)
                port = int((top / "port").read_text())
                os.environ["KESTRIN_TEST_FTP_PORT"] = str(port)
                for test in sorted(build.glob("tests/windows/*.exe")):
                    print(run([WINE, str(test)], cwd=top).stdout.decode(errors="replace").splitlines()[-1])
                exe = str(build / "cli" / "kestrin-cli.exe")
                for sealed in (False, True):
                    side = top / ("sealed" if sealed else "plain")
                    both_ways(Computer(side, "Linux", linux_cli, False, port, sealed),
                              Computer(side, "Win", exe, True, port, sealed))
                windows_first(top / "first", linux_cli, exe, port)
                refuses_protection(Computer(top / "tls", "Win", exe, True, port, False), port)
                autostart(Computer(top / "auto", "Win", exe, True, port, False), port)
                if then:
                    then(top, port, exe)
            finally:
                server.kill()
    print("Windows and Linux computers converged")


if __name__ == "__main__":
    main()
