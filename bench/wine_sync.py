"""No-change sync of 1 000 shortcuts by a Windows computer under Wine and a Linux one, in one run.

Usage: bench/wine_sync.py BUILD_WINDOWS LINUX_KESTRIN_CLI (after the Wine test's own checks)
"""
import pathlib, sys, time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "windows"))
import wine_test  # noqa: E402


def measure(top, login, exe):
    linux = wine_test.Computer(top / "many", "Linux", sys.argv[2], False, login, "plain")
    windows = wine_test.Computer(top / "many", "Win", exe, True, login, "plain")
    for i in range(1000):
        (linux.favorites / f"site {i:04}.url").write_bytes(
            wine_test.SHORTCUT % f"https://{i}.example/".encode())
    wine_test.converge(linux, windows)
    for computer in (linux, windows):
        times = []
        for _ in range(3):
            started = time.monotonic()
            computer.sync()
            times.append(time.monotonic() - started)
        where = "Windows under Wine" if computer.windows else "Linux"
        print(f"no-change sync of 1 000 shortcuts, {where}: {' '.join(f'{t:.2f}' for t in times)} s")


wine_test.main(then=measure)
