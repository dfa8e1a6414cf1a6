#!/bin/sh
# Installs everything the build and the tests need, from Debian packages only.
set -e
PKGS="cmake ninja-build make python3 g++ clang libgtest-dev googletest \
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev zlib1g-dev \
  wine64 xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei fonts-liberation \
  fonts-wine curl openssl locales"
# Wine takes the player's code page (936, Chinese) from a zh_CN.UTF-8 locale,
# which must exist on the machine or Wine's file-name conversion breaks.
ensure_locale() {
  locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$' && return 0
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen
}
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends $missing
fi
ensure_locale
