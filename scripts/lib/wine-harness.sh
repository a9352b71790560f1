# Shared by scripts/with-wine, scripts/test and scripts/demo: the build's own Wine prefix, its
# persistent wineserver and a private virtual display. Source it; call harness_start, then
# harness_stop (the callers trap EXIT).
#
# The prefix (build/win/wineprefix) is made for deterministic tests:
#  - headless, reporting Windows 10, with no window-manager wait (X11 Driver "Managed" = "N");
#  - fonts: an empty fontconfig, so no host font leaks in; the program brings its own;
#  - drives: C: is the prefix's drive_c (a fixed disk); D: is build/win/wine-drive-d (a fixed
#    disk), a 4 TiB tmpfs mounted for the session, so that it always has the most free space and
#    the proposed install folder is D:\Corvane\Corvane9\ on every machine; Z: is the host's root
#    (how Wine reaches the build tree and the test programs), declared a network drive so that it
#    is never taken for a fixed disk.

HARNESS_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

harness_env() {
  local build=$1
  export WINEPREFIX="$build/wineprefix"
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINEARCH=win64
  HARNESS_FONTCONFIG="$build/wine-fontconfig.conf"
  export FONTCONFIG_FILE="$HARNESS_FONTCONFIG"
  HARNESS_DRIVE_D="$build/wine-drive-d"
}

harness_prefix() {
  [ -f "$WINEPREFIX/.corvane-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$HARNESS_DRIVE_D"
  cat > "$HARNESS_FONTCONFIG" <<'XML'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig></fontconfig>
XML
  echo "wine: creating prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  # The prefix's only fonts. Wine's console host divides by the font's cell size, so a prefix
  # without any font crashes every console program.
  local font
  for font in /usr/share/fonts/truetype/noto/NotoSans-Regular.ttf \
              /usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf; do
    cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  "$WINESERVER" -w
  "$WINE" winecfg /v win10 </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKLM\Software\Wine\Drives' /v 'c:' /t REG_SZ /d hd /f </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKLM\Software\Wine\Drives' /v 'd:' /t REG_SZ /d hd /f </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKLM\Software\Wine\Drives' /v 'z:' /t REG_SZ /d network /f </dev/null >/dev/null 2>&1
  # A crashing test program must fail its test, not start Wine's debugger (which, without a
  # terminal, may crash in turn and fill the display with clients).
  "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 0 /f </dev/null >/dev/null 2>&1
  "$WINE" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f </dev/null >/dev/null 2>&1
  "$WINESERVER" -w
  rm -f "$WINEPREFIX/dosdevices/d:"
  ln -s "$HARNESS_DRIVE_D" "$WINEPREFIX/dosdevices/d:"
  touch "$WINEPREFIX/.corvane-ready"
}

harness_display() {
  local n
  for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      HARNESS_XVFB_PID=$!
      local i
      for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.05
      done
      if ! kill -0 "$HARNESS_XVFB_PID" 2>/dev/null; then
        continue  # lost the race for this display; try the next
      fi
      export DISPLAY=":$n"
      # Layered windows are blended only by a compositor.
      xcompmgr -d ":$n" >/dev/null 2>&1 &
      HARNESS_XCOMPMGR_PID=$!
      return 0
    fi
  done
  echo "wine: no free X display" >&2
  return 1
}

# The stand-in server's certificates live in the build folder; its test CA is trusted by the
# prefix's own root store (never the machine's), once the build has made the tool for it.
harness_trust_ca() {
  local build=$1 tool="$1/bin/trust-ca.exe"
  [ -f "$tool" ] || return 0
  "$HARNESS_ROOT/sandbox/server/make-certs" "$build/certs" >/dev/null
  [ -f "$WINEPREFIX/.corvane-ca" ] && cmp -s "$build/certs/ca.der" "$WINEPREFIX/.corvane-ca" && return 0
  "$WINE" "$tool" add "Z:$build/certs/ca.der" </dev/null >/dev/null 2>&1
  cp "$build/certs/ca.der" "$WINEPREFIX/.corvane-ca"
}

# A fresh, roomy D: for every session; without mount rights D: stays a plain folder and the
# install folder then depends on the host's free space.
harness_drive_d() {
  mkdir -p "$HARNESS_DRIVE_D"
  if ! mountpoint -q "$HARNESS_DRIVE_D"; then
    if mount -t tmpfs -o size=4t corvane-drive-d "$HARNESS_DRIVE_D" 2>/dev/null; then
      HARNESS_MOUNTED_D=1
    else
      echo "wine: could not mount a tmpfs for D:; the proposed install folder depends on free space" >&2
    fi
  fi
}

harness_start() {
  harness_env "$1"
  harness_display
  harness_drive_d
  harness_prefix
  # A persistent server and a booted prefix: every test process then starts in a fraction of a
  # second, and no test inherits the pipes of Wine's own services.
  "$WINESERVER" -p
  "$WINE" wineboot </dev/null >/dev/null 2>&1
  harness_trust_ca "$1"
}

harness_stop() {
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  [ -n "${HARNESS_XCOMPMGR_PID:-}" ] && kill "$HARNESS_XCOMPMGR_PID" 2>/dev/null || true
  [ -n "${HARNESS_XVFB_PID:-}" ] && kill "$HARNESS_XVFB_PID" 2>/dev/null || true
  HARNESS_XCOMPMGR_PID=
  HARNESS_XVFB_PID=
  if [ -n "${HARNESS_MOUNTED_D:-}" ]; then
    umount "$HARNESS_DRIVE_D" 2>/dev/null || umount -l "$HARNESS_DRIVE_D" 2>/dev/null || true
    HARNESS_MOUNTED_D=
  fi
}
