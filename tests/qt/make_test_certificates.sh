#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# The update check's test certificates, made with the openssl tool into FOLDER: a certificate
# authority the tests trust and one they do not, each with a server certificate for 127.0.0.1
# valid for two days. The Linux tests run this themselves; Wine runs no Linux tool, so the
# Windows test runner runs it first and names the folder in VS_TEST_CERTIFICATES.
#
#   make_test_certificates.sh FOLDER
set -euo pipefail
dir="${1:?usage: make_test_certificates.sh FOLDER}"
mkdir -p "$dir"
ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
for name in trusted untrusted; do
  openssl req -x509 "${ec[@]}" -keyout "$dir/$name-ca.key" -out "$dir/$name-ca.pem" -days 2 \
    -subj "/CN=Vantoscope test $name CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
  openssl req "${ec[@]}" -keyout "$dir/$name-server.key" -out "$dir/$name-server.csr" -subj "/CN=127.0.0.1"
  printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' \
    >"$dir/$name-server.ext"
  openssl x509 -req -in "$dir/$name-server.csr" -CA "$dir/$name-ca.pem" -CAkey "$dir/$name-ca.key" \
    -CAcreateserial -out "$dir/$name-server.pem" -days 2 -extfile "$dir/$name-server.ext"
done
