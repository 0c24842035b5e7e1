#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
# The browser engine refuses to start as root with its sandbox on.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the editor on a virtual X display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" build/corvalite "$@"
fi
exec build/corvalite "$@"
