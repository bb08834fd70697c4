#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, from Debian's packages, when missing.
set -euo pipefail
# dpkg-dev and file: the Debian package (cpack -G DEB runs dpkg-shlibdeps, which reads file's
# answers).
packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          firebird3.0-server-core firebird3.0-utils libfbclient2 firebird-dev
          firebird3.0-server python3 python3-dbfread
          libshp-dev locales dpkg-dev file clang-format)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  # The server package must not start a system-wide server: tests start their own. A
  # policy-rc.d the machine already has is put back afterwards, also when the install fails.
  policy=/usr/sbin/policy-rc.d
  saved=""
  if [ -e "$policy" ]; then
    saved="$(mktemp "${TMPDIR:-/tmp}/policy-rc.d.XXXXXX")"
    $SUDO cp -p "$policy" "$saved"
  fi
  restore_policy() {
    if [ -n "$saved" ]; then
      $SUDO cp -p "$saved" "$policy" && $SUDO rm -f "$saved"
    else
      $SUDO rm -f "$policy"
    fi
  }
  trap restore_policy EXIT
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
  $SUDO chmod +x "$policy"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  restore_policy
  trap - EXIT
fi
