#!/usr/bin/env bash
# Installs the Debian packages that Kelvra needs. Quiet and quick when everything
# is already there.
#   install-deps.sh run      what building and running the editor needs
#   install-deps.sh windows  that plus the Windows cross-build (make windows)
#   install-deps.sh          all of these plus everything the tests, the sanitizer and
#                            fuzz builds, the packaging checks, the web page and the
#                            Windows tests under Wine need
set -euo pipefail
profile=${1:-all}

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-translations-l10n
  fonts-noto-cjk
  nlohmann-json3-dev
)
if [ "$profile" != run ]; then
  # Windows: the mingw-w64 cross compilers (posix threads), zip for the package, and
  # Wine with a virtual screen and xdotool for the tests.
  packages+=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix zip
    wine wine64 xvfb xauth xdotool
  )
fi
if [ "$profile" != run ] && [ "$profile" != windows ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth poppler-utils
    clang clang-format libclang-rt-14-dev llvm
    desktop-file-utils appstream man-db patch acl attr
    neovim emacs-nox elpa-eglot
    emscripten chromium
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The web page bundles its editor (CodeMirror) with esbuild, and its browser test drives
# chromium with playwright-core: all from npm, as web/package-lock.json pins them.
web="$(dirname "$0")/../web"
if [ "$profile" = all ] && [ ! -x "$web/node_modules/.bin/esbuild" ] && command -v npm >/dev/null; then
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error)
fi
