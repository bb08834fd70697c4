#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, from Debian's packages, when missing.
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          firebird3.0-server-core firebird3.0-utils libfbclient2 firebird-dev
          firebird3.0-server python3 python3-dbfread
          libshp-dev locales clang-format)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  # The server package must not start a system-wide server: tests start their own.
  echo exit 101 | $SUDO tee /usr/sbin/policy-rc.d >/dev/null; $SUDO chmod +x /usr/sbin/policy-rc.d
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  $SUDO rm -f /usr/sbin/policy-rc.d
fi
