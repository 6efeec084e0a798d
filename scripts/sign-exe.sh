#!/usr/bin/env bash
# Signs an exe or an MSI with Authenticode (SHA-256) through osslsigncode, with the code-signing
# certificate given in the environment, then checks the signed copy:
#   DIAGRESO_SIGN_PKCS12         the certificate and its private key, a PKCS#12 file
#   DIAGRESO_SIGN_PASSWORD       its password (empty or unset: none)
#   DIAGRESO_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamping server, so that the
#                                signature stays valid after the certificate expires
#   DIAGRESO_SIGN_CAFILE         optional: the root certificate(s) the signing certificate
#                                chains to, PEM, for the check (default: the system's)
#   DIAGRESO_SIGN_TSA_CAFILE     optional: the same for the time-stamping server
#   OSSLSIGNCODE                 optional: the osslsigncode to use (default: the one on PATH)
# The check: the signature verifies against those roots, it is SHA-256, and the signed
# file with its signature removed is the unsigned one (what was signed is what was
# tested): an exe byte for byte; an MSI table for table and stream for stream (msidump),
# as osslsigncode lays the compound file out anew when it removes the signature, so its
# bytes differ though nothing in it does. Options are those osslsigncode 2.5 (Debian 12)
# already has.
#
# usage: scripts/sign-exe.sh UNSIGNED.exe|.msi SIGNED.exe|.msi
set -euo pipefail
(($# == 2)) || { echo "usage: $0 UNSIGNED.exe SIGNED.exe" >&2; exit 2; }
in=$1 out=$2
osslsigncode=${OSSLSIGNCODE:-osslsigncode}
: "${DIAGRESO_SIGN_PKCS12:?no certificate: set DIAGRESO_SIGN_PKCS12 to a PKCS#12 file}"
[ -r "$DIAGRESO_SIGN_PKCS12" ] || { echo "sign: cannot read $DIAGRESO_SIGN_PKCS12" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sign=(sign -pkcs12 "$DIAGRESO_SIGN_PKCS12" -h sha256 -n diagreso)
# The password goes through a pipe, not the command line, where any user's ps would see
# it; osslsigncode refuses an empty password file, so none is given for a file without.
if [ -n "${DIAGRESO_SIGN_PASSWORD:-}" ]; then sign+=(-readpass /dev/stdin); fi
if [ -n "${DIAGRESO_SIGN_TIMESTAMP_URL:-}" ]; then sign+=(-ts "$DIAGRESO_SIGN_TIMESTAMP_URL"); fi
rm -f "$out"
printf '%s' "${DIAGRESO_SIGN_PASSWORD:-}" |
    "$osslsigncode" "${sign[@]}" -in "$in" -out "$out" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; echo "sign: signing $in failed" >&2; rm -f "$out"; exit 1; }

verify=(verify -in "$out")
if [ -n "${DIAGRESO_SIGN_CAFILE:-}" ]; then verify+=(-CAfile "$DIAGRESO_SIGN_CAFILE"); fi
if [ -n "${DIAGRESO_SIGN_TSA_CAFILE:-}" ]; then verify+=(-TSA-CAfile "$DIAGRESO_SIGN_TSA_CAFILE"); fi
echo "$out: $("$osslsigncode" --version 2>&1 | head -1)"
if ! "$osslsigncode" "${verify[@]}" >"$work/verify.log" 2>&1; then
    cat "$work/verify.log" >&2; echo "sign: the signature of $out does not verify" >&2; rm -f "$out"; exit 1
fi
sed 's/^/  /' "$work/verify.log"
if ! grep -q -E 'digest algorithm *: *SHA256' "$work/verify.log"; then
    echo "sign: $out is not signed with SHA-256" >&2; rm -f "$out"; exit 1
fi

"$osslsigncode" remove-signature -in "$out" -out "$work/unsigned" >/dev/null
case $in in
*.msi)
    mkdir "$work/a" "$work/b"
    msidump -t -s -d "$work/a" "$in" >/dev/null && msidump -t -s -d "$work/b" "$work/unsigned" >/dev/null &&
        diff -r "$work/a" "$work/b" >/dev/null
    same=$? said="the same tables and streams as $in" ;;
*) cmp -s "$in" "$work/unsigned"; same=$? said="identical to $in" ;;
esac
if [ "$same" -ne 0 ]; then
    echo "sign: $out without its signature differs from $in" >&2; rm -f "$out"; exit 1
fi
echo "  without its signature: $said"
