#!/bin/sh
# Authentication program for pure-authd: accepts the one test user and counts its logins.
# pure-authd hands over its own environment, which carries the KESTRIN_FTP_* values.
if [ "$AUTHD_ACCOUNT" = "$KESTRIN_FTP_USER" ] && [ "$AUTHD_PASSWORD" = "$KESTRIN_FTP_PASSWORD" ]; then
  echo "$AUTHD_ACCOUNT" >>"$KESTRIN_FTP_LOGINS"
  printf 'auth_ok:1\nuid:%s\ngid:%s\ndir:%s\nend\n' \
    "$KESTRIN_FTP_UID" "$KESTRIN_FTP_GID" "$KESTRIN_FTP_ROOT"
else
  printf 'auth_ok:-1\nend\n'
fi
