"""Serves one folder over FTP on 127.0.0.1 for the tests.

Usage: pyftpd_server.py ROOT USER PASSWORD LOGINS_FILE
Prints the chosen port on stdout once the server listens, then serves until killed.
Each successful login appends one line to LOGINS_FILE.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, user, password, logins_file = sys.argv[1:5]

    class CountingHandler(FTPHandler):
        def on_login(self, username):
            with open(logins_file, "a") as logins:
                logins.write(username + "\n")

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    CountingHandler.authorizer = authorizer
    # Logged so that tests can tell passive transfers from active ones.
    CountingHandler.log_cmds_list = FTPHandler.log_cmds_list + ["PASV", "EPSV", "PORT", "EPRT"]
    # The tests try wrong passwords on purpose; the default 3 s penalty only slows them down.
    CountingHandler.auth_failed_timeout = 0.1

    server = FTPServer(("127.0.0.1", 0), CountingHandler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
