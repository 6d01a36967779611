"""Serves one folder over FTP on 127.0.0.1 for the tests.

Usage: pyftpd_server.py ROOT USER PASSWORD LOGINS_FILE PORT_FILE [options]
Writes the chosen port to PORT_FILE once the server listens, then serves until killed.
Each successful login appends one line to LOGINS_FILE.
"""
import argparse
import errno
import os

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler, proto_cmds
from pyftpdlib.servers import FTPServer


class KeepTargetFS(AbstractedFS):
    """Refuses to rename onto an existing file, as Windows does."""

    def rename(self, src, dst):
        if os.path.lexists(dst):
            raise OSError(errno.EEXIST, os.strerror(errno.EEXIST))
        super().rename(src, dst)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("logins_file")
    parser.add_argument("port_file")
    parser.add_argument("--refuse", nargs=2, action="append", default=[],
                        metavar=("COMMAND", "REPLY"), help="answer COMMAND with REPLY instead")
    parser.add_argument("--permissions", default="elradfmwMT")
    parser.add_argument("--rename-keeps-target", action="store_true")
    parser.add_argument("--download-bytes-per-second", type=int, default=0)
    parser.add_argument("--nlst-needs-argument", action="store_true",
                        help="refuse NLST without an argument, as Twisted's server does")
    parser.add_argument("--passive-ports", nargs=2, type=int, metavar=("FIRST", "LAST"))
    parser.add_argument("--replace-before-retr", action="store_true",
                        help="before a RETR, NAME.next replaces NAME, if there is one")
    args = parser.parse_args()
    refused = {command.upper(): reply for command, reply in args.refuse}

    class TestHandler(FTPHandler):
        def on_login(self, username):
            with open(args.logins_file, "a") as logins:
                logins.write(username + "\n")

        def pre_process_command(self, line, cmd, arg):
            if cmd in refused:
                self.logline("<- %s" % line)
                self.respond(refused[cmd])
                return
            if cmd == "NLST" and not arg and args.nlst_needs_argument:
                self.logline("<- %s" % line)
                self.respond("500 Syntax error: NLST requires an argument.")
                return
            if cmd == "RETR" and args.replace_before_retr:
                path = self.fs.ftp2fs(arg)
                if os.path.exists(path + ".next"):
                    os.rename(path + ".next", path)
            super().pre_process_command(line, cmd, arg)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=args.permissions)
    TestHandler.authorizer = authorizer
    # Every command is logged, so that tests can tell which ones a client sent.
    TestHandler.log_cmds_list = list(proto_cmds)
    # The tests try wrong passwords on purpose; the default 3 s penalty only slows them down.
    TestHandler.auth_failed_timeout = 0.1
    if args.rename_keeps_target:
        TestHandler.abstracted_fs = KeepTargetFS
    if args.download_bytes_per_second:
        # Small bursts with pauses between them: slow, but never stalled.
        class TricklingDTPHandler(ThrottledDTPHandler):
            write_limit = args.download_bytes_per_second
        TestHandler.dtp_handler = TricklingDTPHandler
    if args.passive_ports:
        TestHandler.passive_ports = range(args.passive_ports[0], args.passive_ports[1] + 1)

    server = FTPServer(("127.0.0.1", 0), TestHandler)
    with open(args.port_file + ".part", "w") as port:  # renamed whole: never read half-written
        port.write(str(server.address[1]))
    os.rename(args.port_file + ".part", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
