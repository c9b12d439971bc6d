# Sourced by scripts/test-windows and scripts/windows-picture: sets $wine and
# $wineserver and makes the Wine prefix $WINEPREFIX ready for the programs
# built here.
#   wine_prefix          the prefix, made on first use
#   wine_prefix --fonts  also the fonts that Qt's windows platform plugin draws in
#   wine_idle            waits until no Wine program of the prefix runs
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

# The prefix's desktop process, started with the first program, keeps the
# display that program had (none, for the tests) for every later one: a
# program meant for the virtual display starts only once it has ended.
wine_idle() {
  timeout 60 "$wineserver" -w || "$wineserver" -k
}

wine_prefix() {
  "$wine" cmd /c exit 0 >/dev/null 2>&1 || true  # makes the prefix, dosdevices/ with it
  if [ "${1:-}" = --fonts ]; then
    # A prefix has no Windows fonts: Wine gives the dialog font ("MS Shell
    # Dlg") to whatever it finds first, here DejaVu Math TeX Gyre, in which
    # Qt draws no text at all in line edits. A real PC has Segoe UI and
    # Tahoma; here they are DejaVu Sans.
    local font
    for font in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Segoe UI"; do
      "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
        /d "DejaVu Sans" /f >/dev/null 2>&1
    done
  fi
  wine_idle
}
