#!/bin/bash
# The steps of scripts/fresh-root-test.sh, run as root inside the fresh root:
#   install DEB   (with the network) apt installs the package as an IT person
#                 would; the face of Arial's widths comes with it; the site
#                 sets its defaults in /etc/vostrelle/Vostrelle.ini.
#   use           (without the network) a new operator in the dialout group:
#                 the login screen's session of the package started under
#                 Xvfb as a display manager starts it, on a pseudo-terminal
#                 linked as his COM1; the panel fills the screen, the port
#                 runs at the site's speed, a click on soft key 1 sends its
#                 code, a click on FIN ends the session.
#   upgrade DEB   (without the network) a newer package with a new first
#                 configuration: dpkg asks, and keeps the site's.
# Each step stops at the first failed check, with its reason (or the line
# and command that failed).
set -eEuo pipefail
trap 'printf "FAILED: line %s: %s\n" "$LINENO" "$BASH_COMMAND" >&2' ERR

operator=operateur
home=/home/$operator
display=:7
site=/etc/vostrelle/Vostrelle.ini
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }
note() { printf -- '-- %s\n' "$*" >&2; }

# waitfor SECONDS COMMAND...: runs COMMAND every half second until it succeeds.
waitfor() {
  local limit=$(($1 * 2)) i=0
  shift
  until "$@" >/dev/null 2>&1; do
    i=$((i + 1))
    [ "$i" -lt "$limit" ] || return 1
    sleep 0.5
  done
}

step_install() {
  local deb=$1
  ! dpkg-query -W -f='${Status}' fonts-liberation2 2>/dev/null | grep -q 'ok installed' ||
    fail "fonts-liberation2 is in the root before the package: the test would prove nothing"
  note "before the package, Arial is: $(fc-match -f '%{family}' Arial)"
  apt-get update -q >/dev/null
  apt-get install -y -q "$deb" >/tmp/install.log 2>&1 || { cat /tmp/install.log; fail "apt install $deb"; }
  local face
  face=$(fc-match -f '%{family}' Arial)
  case $face in
    "Liberation Sans"* | Arimo*) note "Arial is now: $face" ;;
    *) fail "fc-match Arial gives \"$face\", not Liberation Sans nor Arimo" ;;
  esac
  [ -f "$site" ] || fail "no $site"
  grep -qx /etc/vostrelle/Vostrelle.ini /var/lib/dpkg/info/vostrelle.conffiles || fail "$site is not a conffile"
  # The site's default: 19200 bauds for every operator.
  sed -i 's/^Bauds=.*/Bauds=19200/' "$site"
  grep -qx 'Bauds=19200' "$site" || fail "no Bauds= line in $site"
}

# The Exec line of the package's login session, as a display manager reads it.
session_exec() {
  sed -n 's/^Exec=//p' /usr/share/xsessions/vostrelle.desktop
}

as_operator() { runuser -u "$operator" -- env HOME="$home" USER="$operator" LOGNAME="$operator" "$@"; }

# The byte (two hex digits) was written on the line since the recording began.
line_has() { od -An -v -tx1 /tmp/line.bin | tr -s ' \n' '\n\n' | grep -qx "$1"; }

# The station's panel: the visible "Vostrelle" window that covers the whole
# screen (a message box of the program has the same title).
screen_width=1280
screen_height=800
panel_window() {
  local w geometry
  for w in $(DISPLAY="$display" xdotool search --onlyvisible --name '^Vostrelle$' 2>/dev/null); do
    geometry=$(DISPLAY="$display" xdotool getwindowgeometry --shell "$w" 2>/dev/null) || continue
    case $geometry in *WIDTH=$screen_width*HEIGHT=$screen_height*) printf '%s\n' "$w"; return 0 ;; esac
  done
  return 1
}

# A point of the 870 x 720 design as it is on the full screen: the panel is
# scaled to fit with its proportions kept, centred on black margins.
on_screen() {
  awk -v x="$1" -v y="$2" -v w="$screen_width" -v h="$screen_height" 'BEGIN {
    s = (w / 870 < h / 720) ? w / 870 : h / 720
    printf "%d %d", int((w - 870 * s) / 2 + x * s), int((h - 720 * s) / 2 + y * s)
  }'
}

speed_is() { [ "$(stty -F "$home/Vostrelle/Ports/COM1" speed)" = "$1" ]; }

step_use() {
  useradd --create-home --groups dialout --shell /bin/bash "$operator"
  # No access control: the private server of a root cut off from the network.
  Xvfb "$display" -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp -ac >/tmp/xvfb.log 2>&1 &
  waitfor 30 env DISPLAY="$display" xdotool getdisplaygeometry || fail "Xvfb did not start"

  # The technician prepares the folder and links the line in it.
  as_operator vostrelle --preparer 2>/tmp/prepare.log || { cat /tmp/prepare.log; fail "vostrelle --preparer"; }
  cmp -s "$site" "$home/Vostrelle/Vostrelle.ini" || fail "the operator's first configuration is not the site's"
  ! grep -q dialout /tmp/prepare.log || { cat /tmp/prepare.log; fail "advice about dialout to a member of dialout"; }
  as_operator socat -u PTY,link="$home/Vostrelle/Ports/COM1",raw,echo=0 OPEN:/tmp/line.bin,creat,trunc &
  waitfor 30 test -e "$home/Vostrelle/Ports/COM1" || fail "socat made no COM1"

  # The session as a display manager starts it: no terminal, the operator's
  # environment and the display.
  local exec_line
  exec_line=$(session_exec)
  [ "$exec_line" = "/usr/bin/vostrelle --poste-dedie" ] || fail "session Exec is \"$exec_line\""
  as_operator env DISPLAY="$display" sh -c "exec $exec_line" </dev/null >/tmp/session.log 2>&1 &
  local session=$!
  local window
  waitfor 60 panel_window ||
    { cat /tmp/session.log; fail "no Vostrelle window covering the ${screen_width} x ${screen_height} screen"; }
  window=$(panel_window)
  note "panel window $window"
  waitfor 60 speed_is 19200 || { cat /tmp/session.log; fail "COM1 is not at the site's 19200 bauds: $(stty -F "$home/Vostrelle/Ports/COM1" speed)"; }

  # Soft key 1 (row A, column 1) sends 0x81; FIN (840, 52, 24 x 29) ends.
  # shellcheck disable=SC2046
  DISPLAY="$display" xdotool mousemove --window "$window" $(on_screen 91 411) click 1
  waitfor 30 line_has 81 || fail "soft key 1 did not send 0x81"
  note "soft key 1 sent 0x81"
  # shellcheck disable=SC2046
  DISPLAY="$display" xdotool mousemove --window "$window" $(on_screen 852 66) click 1
  local i=0
  while kill -0 "$session" 2>/dev/null; do
    i=$((i + 1))
    [ "$i" -lt 120 ] || fail "FIN did not end the session"
    sleep 0.5
  done
  wait "$session" || { cat /tmp/session.log; fail "the session ended with status $?"; }
  grep -qx 'Bauds=19200' "$home/Vostrelle/Vostrelle.ini" || fail "the operator's configuration lost the site's speed"
  note "FIN ended the session"
}

step_upgrade() {
  local deb=$1 tree=/tmp/newer version
  dpkg-deb -R "$deb" "$tree"
  version=$(sed -n 's/^Version: //p' "$tree/DEBIAN/control")
  sed -i "s/^Version: .*/Version: $version.1/" "$tree/DEBIAN/control"
  printf '; configuration de la version suivante\n' >>"$tree/etc/vostrelle/Vostrelle.ini"
  dpkg-deb --root-owner-group -b "$tree" /tmp/newer.deb >/dev/null
  # The administrator answers the question with its default: keep his file.
  { yes N || true; } | dpkg -i /tmp/newer.deb >/tmp/upgrade.log 2>&1 || { cat /tmp/upgrade.log; fail "dpkg -i newer package"; }
  grep -q "Configuration file '$site'" /tmp/upgrade.log || { cat /tmp/upgrade.log; fail "dpkg did not ask about $site"; }
  grep -qx 'Bauds=19200' "$site" || fail "the upgrade changed the site's $site"
  grep -q 'version suivante' "$site.dpkg-dist" || fail "no $site.dpkg-dist with the new version's file"
  note "the upgrade asked about $site and kept the site's"
}

case ${1-} in
  install) step_install "$2" ;;
  use) step_use ;;
  upgrade) step_upgrade "$2" ;;
  *) fail "usage: $0 install DEB | use | upgrade DEB" ;;
esac
