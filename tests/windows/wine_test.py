"""A Windows computer (kestrin-cli.exe under Wine) and a Linux one sync through real servers.

Usage: wine_test.py BUILD_WINDOWS LINUX_KESTRIN_CLI
Runs the Windows unit tests, then the two computers both ways through pyftpdlib, with and
without encryption and through a sealed list, through Apache over HTTPS, pure-ftpd over TLS
and sshd over SFTP (the Linux build's kestrin_test_server starts those), and imports a Firefox
profile.
"""
import base64, contextlib, hashlib, os, pathlib, sqlite3, ssl, struct, subprocess, sys, tempfile
import time

from wine_prefix import WINE, fresh_prefix, run, windows_path

RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
ROOT_STORE = r"HKCU\Software\Microsoft\SystemCertificates\Root\Certificates"
SHORTCUT = b"[InternetShortcut]\r\nURL=%s\r\nIconFile=\r\nIconIndex=\r\n"


def tree(root):
    return {str(p.relative_to(root)): (p.read_bytes() if p.is_file() else None)
            for p in sorted(root.rglob("*"))}


def secret(text):
    return base64.b64encode(text.encode()).decode()


class Login:
    """Where a computer logs in: pyftpdlib's user by default."""
    def __init__(self, port, protocol=0, user="user", password="secret", fingerprint=""):
        self.port, self.protocol, self.user, self.password = port, protocol, user, password
        self.fingerprint = fingerprint  # the server's, as the Linux computer is told it


class Computer:
    """passphrase None: the list in clear; "": "Use Encryption"; else sealed with it."""
    def __init__(self, top, name, cli, windows, login, folder, passphrase=None, home=None,
                 told=True):
        self.name, self.cli, self.windows, self.login = name, cli, windows, login
        self.told = told  # given the server's fingerprint, or left to learn it
        self.environment = {**os.environ, "HOME": home} if home else None  # where ~/.ssh is
        self.folder, self.passphrase = folder, passphrase  # folder: the remote directory
        self.home = top / name
        self.favorites = self.home / "Favorites"
        self.favorites.mkdir(parents=True, exist_ok=True)
        self.settings = self.home / "kestrin.ini"
        self.write_settings(start=0)

    def write_settings(self, start):
        login = self.login
        lines = [f"Name={self.name}", "Server=127.0.0.1", f"Username={login.user}",
                 f"Password={secret(login.password)}", f"Port={login.port}", "Passive=1",
                 f"RemoteDir={self.folder}", f"UseEncryption={int(self.passphrase is not None)}",
                 "ConfirmChanges=0", f"StartWithWin={start}", "LogActivity=1",
                 f"Protocol={login.protocol}"]
        if self.passphrase:
            lines.append(f"Passphrase={secret(self.passphrase)}")
        if login.fingerprint and self.told:
            lines.append(f"ServerFingerprint={login.fingerprint}")
        self.settings.write_bytes(("[Settings]\r\n" + "".join(l + "\r\n" for l in lines)).encode())

    def setting(self, name):
        lines = self.settings.read_text().splitlines()
        return next((l.split("=", 1)[1] for l in lines if l.startswith(name + "=")), None)

    def path(self, p):
        return windows_path(p) if self.windows else str(p)

    def cli_run(self, *words):
        command = [self.cli, *words]
        return run([WINE, *command] if self.windows else command, env=self.environment)

    def sync(self, *words):
        self.cli_run("sync", "--yes", "--quiet", "--settings", self.path(self.settings),
                     "--favorites", self.path(self.favorites), *words)


def converge(a, b):
    """a, the last to upload, brings its changes to b, which is the last to upload then."""
    a.sync(), b.sync()
    assert tree(a.favorites) == tree(b.favorites), (tree(a.favorites), tree(b.favorites))


def both_ways(linux, windows):
    (linux.favorites / "Café").mkdir()
    (linux.favorites / "Café" / "Crème brûlée.url").write_bytes(SHORTCUT % "https://ex.org/é".encode())
    linux.sync()
    windows.sync("--trust-new-server")  # an SSH key seen for the first time is learnt
    assert tree(linux.favorites) == tree(windows.favorites), tree(windows.favorites)
    assert windows.setting("ServerFingerprint") == (linux.login.fingerprint or None), \
        windows.settings.read_text()
    assert (windows.home / "kestrin.log").exists()  # beside its settings, named in Windows' form
    # The Windows computer wrote the shortcut it received: four lines, each ending in CR LF.
    assert (windows.favorites / "Café" / "Crème brûlée.url").read_bytes() == \
        SHORTCUT % "https://ex.org/é".encode()
    (windows.favorites / "Ωmega.url").write_bytes(SHORTCUT % b"https://omega.example/")
    (windows.favorites / "Café" / "Crème brûlée.url").unlink()
    converge(windows, linux)
    assert sorted(tree(linux.favorites)) == ["Café", "Ωmega.url"], tree(linux.favorites)


def windows_first(top, linux_cli, exe, login):
    """A Windows computer is the first in an empty folder: the empty listing is absence."""
    windows = Computer(top, "Win", exe, True, login, "first")
    (windows.favorites / "First.url").write_bytes(SHORTCUT % b"https://first.example/")
    windows.sync()
    linux = Computer(top, "Linux", linux_cli, False, login, "first")
    linux.sync()
    assert tree(linux.favorites) == tree(windows.favorites), tree(linux.favorites)


@contextlib.contextmanager
def pyftpdlib(top, folders):
    """pyftpdlib serving top/server: the login."""
    for folder in folders:
        (top / "server" / folder).mkdir(parents=True)
    support = pathlib.Path(__file__).resolve().parent.parent / "support"
    server = subprocess.Popen(["/usr/bin/python3", str(support / "pyftpd_server.py"),
                               str(top / "server"), "user", "secret", str(top / "logins"),
                               str(top / "port"), "--rename-keeps-target"],
                              stderr=subprocess.DEVNULL)
    try:
        while not (top / "port").exists():
            time.sleep(0.05)
        yield Login(int((top / "port").read_text()))
    finally:
        server.kill()


@contextlib.contextmanager
def test_server(linux_cli, kind, folder):
    """pure-ftpd or sshd as the Linux tests start them, serving `folder`: (login, facts)."""
    program = pathlib.Path(linux_cli).parent.parent / "tests" / "support" / "kestrin_test_server"
    server = subprocess.Popen([str(program), kind, folder], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, text=True)
    try:
        facts = dict(line.rstrip("\n").split("=", 1)
                     for line in iter(server.stdout.readline, "ready\n"))
        yield Login(int(facts["port"]), int(facts["protocol"]), facts["user"], facts["password"],
                    facts["fingerprint"]), facts
    finally:
        server.stdin.close()
        server.wait()


def over_https(top, linux_cli, exe):
    """Apache's WebDAV over HTTPS, the certificate's key pinned."""
    with test_server(linux_cli, "ApacheDavTls", "dav") as (login, _):
        windows = Computer(top, "Win", exe, True, login, "dav")
        both_ways(Computer(top, "Linux", linux_cli, False, login, "dav"), windows)
        # Another key than the one kept is refused, naming the key shown.
        kept = "SHA256:" + "A" * 43
        windows.settings.write_bytes(windows.settings.read_bytes().replace(
            login.fingerprint.encode(), kept.encode()))
        done = subprocess.run([WINE, exe, "sync", "--yes", "--settings",
                               windows.path(windows.settings), "--favorites",
                               windows.path(windows.favorites)], capture_output=True)
        error = done.stderr.decode(errors="replace")
        assert done.returncode == 1 and \
            f"identity changed from {kept} to {login.fingerprint}" in error, error


def trust_as_system(certificate):
    """Adds the certificate to the user's Root store, as an administrator's roll-out would:
    a value "Blob" holding its DER as the certificate property (32), under its SHA-1."""
    der = ssl.PEM_cert_to_DER_cert(pathlib.Path(certificate).read_text())
    blob = struct.pack("<III", 32, 1, len(der)) + der
    run([WINE, "reg", "add", ROOT_STORE + "\\" + hashlib.sha1(der).hexdigest().upper(), "/v",
         "Blob", "/t", "REG_BINARY", "/d", blob.hex(), "/f"])


def over_ftps(top, linux_cli, exe):
    """pure-ftpd over TLS, which closes its data connections without a TLS goodbye: the
    Windows computer learns the certificate's key, which the system does not trust; once the
    system's store trusts it, another one keeps the key as system-trusted."""
    with test_server(linux_cli, "PureFtpdTls", "ftps") as (login, facts):
        linux = Computer(top, "Linux", linux_cli, False, login, "ftps")
        both_ways(linux, Computer(top, "Win", exe, True, login, "ftps", told=False))
        trust_as_system(facts["certificate"])
        trusting = Computer(top, "Trusting", exe, True, login, "ftps", told=False)
        trusting.sync()
        assert trusting.setting("ServerFingerprint") == "system:" + login.fingerprint, \
            trusting.settings.read_text()
        assert tree(trusting.favorites) == tree(linux.favorites), tree(trusting.favorites)


def over_sftp(top, linux_cli, exe):
    """sshd, each computer logging in with the user's key."""
    with test_server(linux_cli, "OpenSsh", "ssh") as (login, facts):
        # The key the server takes, where each computer looks for it: ~/.ssh/ and, on
        # Windows, %USERPROFILE%\.ssh\.
        keys = pathlib.Path(facts["sshKeyFolder"])
        users = pathlib.Path(os.environ["WINEPREFIX"], "drive_c", "users")
        profile = next(p for p in users.iterdir() if p.name != "Public")
        (profile / ".ssh").mkdir(exist_ok=True)
        (profile / ".ssh" / "id_ed25519").write_bytes((keys / "id_ed25519").read_bytes())
        both_ways(Computer(top, "Linux", linux_cli, False, login, "ssh", home=str(keys.parent)),
                  Computer(top, "Win", exe, True, login, "ssh", told=False))


def imports_firefox(top, exe):
    """A Firefox profile's places.sqlite, left open as a running Firefox leaves it."""
    profile, favorites = top / "firefox" / "profile", top / "firefox" / "Favorites"
    profile.mkdir(parents=True)
    favorites.mkdir()
    places = sqlite3.connect(profile / "places.sqlite")
    places.executescript(
        "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
        "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT);"
        "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, "
        "parent INTEGER, position INTEGER, title TEXT, guid TEXT);"
        "INSERT INTO moz_places VALUES (1, 'https://k.example/é');"
        "INSERT INTO moz_bookmarks VALUES (1,2,NULL,0,0,'','root________'),"
        "(2,2,NULL,1,0,'menu','menu________'), (3,2,NULL,1,1,'toolbar','toolbar_____'),"
        "(4,2,NULL,3,0,'Süd','f'), (5,1,1,4,0,'Kestrin','a');")
    try:
        run([WINE, exe, "import", "--from", "firefox", "--profile", windows_path(profile),
             "--favorites", windows_path(favorites), "--settings", windows_path(top / "k.ini")])
    finally:
        places.close()
    assert sorted(tree(favorites)) == ["Bookmarks Toolbar", "Bookmarks Toolbar/Süd",
                                       "Bookmarks Toolbar/Süd/Kestrin.url"], tree(favorites)
    assert b"URL=https://k.example/\xc3\xa9\r\n" in \
        (favorites / "Bookmarks Toolbar" / "Süd" / "Kestrin.url").read_bytes()
    # The import awaits its upload in the working folder beside the settings named in
    # Windows' form, not in the current folder.
    assert (top / "restore" / "restored").exists() and not pathlib.Path("restore").exists()


def autostart(windows):
    query = [WINE, "reg", "query", RUN_KEY, "/v", "kestrin"]
    for start in (1, 0):
        windows.write_settings(start)
        windows.cli_run("startup", "--settings", windows.path(windows.settings))
        found = subprocess.run(query, capture_output=True)
        assert (found.returncode == 0) == bool(start), found.stdout
        assert not start or b'kestrin.exe"' in found.stdout, found.stdout


def main(then=None):
    """then(top, login, exe), when given, runs last with pyftpdlib still up."""
    build, linux_cli = pathlib.Path(sys.argv[1]), sys.argv[2]
    exe = str(build / "cli" / "kestrin-cli.exe")
    with tempfile.TemporaryDirectory() as temp:
        top = pathlib.Path(temp)
        with fresh_prefix(top):
            with pyftpdlib(top, ("plain", "encrypted", "sealed", "first")) as login, \
                    test_server(linux_cli, "PureFtpdTls", "tls") as (tls, facts):
                os.environ.update(KESTRIN_TEST_FTP_PORT=str(login.port),
                                  KESTRIN_TEST_FTPS_PORT=str(tls.port),
                                  KESTRIN_TEST_FTPS_AUTHORITY=windows_path(facts["certificate"]),
                                  KESTRIN_TEST_FTPS_FINGERPRINT=tls.fingerprint)
                for test in sorted(build.glob("tests/windows/*.exe")):
                    print(run([WINE, str(test)], cwd=top).stdout.decode(errors="replace").splitlines()[-1])
                for folder, passphrase in (("plain", None), ("encrypted", ""), ("sealed", "pâté")):
                    side = top / folder
                    both_ways(Computer(side, "Linux", linux_cli, False, login, folder, passphrase),
                              Computer(side, "Win", exe, True, login, folder, passphrase))
                assert (top / "server" / "sealed" / "favs.dat.sealed").read_bytes().startswith(b"KSEAL")
                windows_first(top / "first", linux_cli, exe, login)
                autostart(Computer(top / "auto", "Win", exe, True, login, "plain"))
                imports_firefox(top, exe)
                if then:
                    then(top, login, exe)
            over_https(top / "https", linux_cli, exe)
            over_ftps(top / "ftps", linux_cli, exe)
            over_sftp(top / "ssh", linux_cli, exe)
    print("Windows and Linux computers converged")


if __name__ == "__main__":
    main()
