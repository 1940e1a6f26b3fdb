#!/usr/bin/env bash
# Makes the TLS files of the test server in DIR (created if needed):
#   ca.pem, ca.der, ca.key            a test certificate authority
#   server.pem, server.key            localhost and 127.0.0.1, signed by that authority
#   selfsigned.pem, selfsigned.key    the same names, signed by itself (never trusted)
# Only the tests' own Wine prefix is ever told to trust ca.der (trust_ca.exe); nothing here
# touches the machine's certificate store.
set -euo pipefail
dir=${1:?usage: make_certs.sh DIR}
mkdir -p "$dir"
cd "$dir"
days=3650
# Wine matches the host only against DNS names, so 127.0.0.1 is listed as one too.
san="subjectAltName=DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1"
# openssl's progress goes to a log, shown when a step fails.
log=$dir/openssl.log
: >"$log"
trap 'status=$?; [ "$status" -eq 0 ] || { echo "making the test certificates failed:" >&2; cat "$log" >&2; }' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
  -keyout ca.key -out ca.pem -subj "/CN=Brindlow Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>>"$log"
openssl x509 -in ca.pem -outform DER -out ca.der

openssl req -newkey rsa:2048 -nodes -sha256 -keyout server.key -out server.csr \
  -subj "/CN=localhost" 2>>"$log"
cat > server.ext <<EXT
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
$san
EXT
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -sha256 \
  -days "$days" -extfile server.ext -out server.pem 2>>"$log"
rm -f server.csr server.ext ca.srl

openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
  -keyout selfsigned.key -out selfsigned.pem -subj "/CN=localhost" \
  -addext "$san" -addext "extendedKeyUsage=serverAuth" 2>>"$log"
echo "$dir"
