#!/usr/bin/env bash
# Signs the built exes as scripts/release.sh does, with a throwaway self-signed
# certificate made here (and a throwaway time-stamping server on 127.0.0.1 for the 64-bit
# one), then checks what a release would ship: each signature verifies, each signed exe
# passes the exe checks and, without its signature, is the unsigned exe byte for byte;
# the zips and MSIs made from them are the same bytes in another time zone and umask; the
# MSIs signed the same way verify and, without their signature, are the unsigned ones;
# SHA256SUMS checks out on the zips, the signed exes as they come out of them and the MSIs.
# Nothing made here outlives the run; no key is ever written into the repository.
#
# usage: scripts/check-signed-release.sh [EXE64 EXE32]   (default: the win64 and win32 builds)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe64=${1:-$root/build/win64/src/diagreso.exe}
exe32=${2:-$root/build/win32/src/diagreso.exe}
osslsigncode=${OSSLSIGNCODE:-osslsigncode}

failures=0
check() { # DESCRIPTION CONDITION-RESULT(0 ok)
    if [ "$2" -eq 0 ]; then echo "  ok    $1"; else echo "  FAIL  $1"; failures=$((failures + 1)); fi
}

work=$(mktemp -d)
tsa_pid=
trap '[ -n "$tsa_pid" ] && kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT
chmod 700 "$work"
cd "$work" || exit 1

# The throwaway signer: self-signed, for code signing only, valid two days.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout signer.key -out signer.pem \
    -subj "/CN=diagreso throwaway test signer" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
password=$(openssl rand -hex 16)
openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.p12 -passout "pass:$password"
[ -s signer.p12 ]; check "throwaway certificate made ($(openssl version))" $?

# The throwaway time-stamping server (RFC 3161): openssl ts answers each query.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout tsa.key -out tsa.pem \
    -subj "/CN=diagreso throwaway time-stamping" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=critical,timeStamping" 2>/dev/null
echo 01 >tsa.serial
cat >tsa.cnf <<'EOF'
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = ./tsa.serial
signer_cert = ./tsa.pem
signer_key = ./tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
cat >tsa.py <<'EOF'
import http.server, subprocess
class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers['Content-Length']))
        reply = subprocess.run(['openssl', 'ts', '-reply', '-config', 'tsa.cnf', '-queryfile', '/dev/stdin',
                                '-out', '/dev/stdout'], input=query, capture_output=True, check=True).stdout
        self.send_response(200)
        self.send_header('Content-Type', 'application/timestamp-reply')
        self.send_header('Content-Length', str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
print(server.server_port, flush=True)
server.serve_forever()
EOF
python3 tsa.py >tsa.port 2>tsa.log &
tsa_pid=$!
for _ in $(seq 50); do [ -s tsa.port ] && break; sleep 0.1; done
[ -s tsa.port ]; check "throwaway time-stamping server on 127.0.0.1:$(cat tsa.port 2>/dev/null)" $?

export DIAGRESO_SIGN_PKCS12=$work/signer.p12 DIAGRESO_SIGN_PASSWORD=$password
export DIAGRESO_SIGN_CAFILE=$work/signer.pem DIAGRESO_SIGN_TSA_CAFILE=$work/tsa.pem
mkdir signed
for arch in win64 win32; do
    unsigned=$exe64; [ "$arch" = win32 ] && unsigned=$exe32
    signed=$work/signed/$arch.exe
    # The 64-bit one time-stamped, the 32-bit one not: both ways release.sh can sign.
    url=; [ "$arch" = win64 ] && url=http://127.0.0.1:$(cat tsa.port)/
    DIAGRESO_SIGN_TIMESTAMP_URL=$url "$root/scripts/sign-exe.sh" "$unsigned" "$signed" >"sign-$arch.log" 2>&1
    check "$arch: scripts/sign-exe.sh signs and checks${url:+ (time-stamped)}" $?

    # The checks below are made here again, not taken from the script's word.
    verify=(-CAfile signer.pem); [ -n "$url" ] && verify+=(-TSA-CAfile tsa.pem)
    "$osslsigncode" verify "${verify[@]}" -in "$signed" >"verify-$arch.log" 2>&1
    check "$arch: osslsigncode verify succeeds" $?
    grep -q "Signature verification: ok" "verify-$arch.log"; check "$arch: signature verification ok" $?
    grep -q -E "digest algorithm *: *SHA256" "verify-$arch.log"; check "$arch: SHA-256 digest" $?
    grep -q "Subject: /CN=diagreso throwaway test signer" "verify-$arch.log"; check "$arch: signed by the given certificate" $?
    if [ -n "$url" ]; then
        grep -q "Timestamp Server Signature verification: ok" "verify-$arch.log"
        check "$arch: time stamp verifies" $?
    fi
    "$root/scripts/check-exe.sh" "$signed" >"check-exe-$arch.log" 2>&1
    check "$arch: the signed exe passes scripts/check-exe.sh ($(tail -n 1 "check-exe-$arch.log"))" $?
    "$osslsigncode" remove-signature -in "$signed" -out "removed-$arch.exe" >/dev/null 2>&1
    cmp -s "$unsigned" "removed-$arch.exe"
    check "$arch: signature removed, byte-identical to the unsigned exe ($(stat -c %s "$unsigned") bytes; signed $(stat -c %s "$signed"))" $?
done
echo "  the 64-bit exe's verification ($("$osslsigncode" --version 2>&1 | head -n 1 | sed 's/, using://')):"
sed 's/^/    | /' verify-win64.log

# The release files made from the signed exes: the same bytes whatever the time zone and
# umask, MSIs included; then with the MSIs signed as well, SHA256SUMS right about the
# zips, the exes inside them and the signed MSIs.
"$root/scripts/package.sh" "$root" dist-a win64=signed/win64.exe win32=signed/win32.exe >package-a.log 2>&1
check "scripts/package.sh writes the zips, the MSIs and SHA256SUMS" $?
(umask 077 && TZ=Pacific/Kiritimati "$root/scripts/package.sh" "$root" dist-b win64=signed/win64.exe win32=signed/win32.exe) >package-b.log 2>&1
for f in dist-a/*; do
    cmp -s "$f" "dist-b/${f##*/}"; check "${f##*/}: the same bytes at UTC+14 with umask 077" $?
done
"$root/scripts/package.sh" --sign-msi "$root" dist-s win64=signed/win64.exe win32=signed/win32.exe >package-s.log 2>&1
check "scripts/package.sh --sign-msi signs and checks the MSIs" $?
for msi in dist-s/*.msi; do
    "$osslsigncode" verify -CAfile signer.pem -in "$msi" >"verify-${msi##*/}.log" 2>&1 &&
        grep -q "Signature verification: ok" "verify-${msi##*/}.log" &&
        grep -q -E "digest algorithm *: *SHA256" "verify-${msi##*/}.log"
    check "${msi##*/}: signed, SHA-256, verifies" $?
    rm -f removed.msi  # osslsigncode will not write over a file
    "$osslsigncode" remove-signature -in "$msi" -out removed.msi >/dev/null 2>&1
    rm -rf dump-a dump-r && mkdir dump-a dump-r &&
        msidump -t -s -d dump-a "dist-a/${msi##*/}" >/dev/null && msidump -t -s -d dump-r removed.msi >/dev/null &&
        diff -r dump-a dump-r >/dev/null
    check "${msi##*/}: signature removed, the unsigned package's tables and streams" $?
done
"$root/scripts/check-sums.sh" dist-s >sums.log 2>&1
check "sha256sum -c SHA256SUMS on the zips, extracted as Windows does, and the signed MSIs ($(grep -c ': OK$' sums.log) OK)" $?
for arch in win64 win32; do
    grep -q "^$(sha256sum <"signed/$arch.exe" | cut -d' ' -f1)  diagreso-[0-9.]*-$arch/diagreso.exe$" dist-s/SHA256SUMS
    check "SHA256SUMS gives the signed $arch exe's hash" $?
    msi=$(ls dist-s/diagreso-*-"$arch".msi)
    grep -q "^$(sha256sum <"$msi" | cut -d' ' -f1)  ${msi##*/}$" dist-s/SHA256SUMS
    check "SHA256SUMS gives the signed $arch MSI's hash" $?
done

echo "signed release checks: $failures failed"
if [ "$failures" -ne 0 ]; then
    for log in sign-*.log package-*.log sums.log tsa.log verify-*.msi.log; do [ -s "$log" ] && { echo "--- $log"; cat "$log"; }; done
fi
[ "$failures" -eq 0 ]
