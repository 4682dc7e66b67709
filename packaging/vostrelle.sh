#!/bin/bash
# vostrelle: the launcher that the Debian package puts on the PATH.
#
# The program finds everything in its own folder and rewrites its
# configuration there, so every operator has a folder of his own, ~/Vostrelle
# (a folder or a link to one, on another disk say), which this script lays
# out, then starts the program from it. At every start:
#  - Vostrelle.ini: a copy of the site's first configuration,
#    /etc/vostrelle/Vostrelle.ini (the administrator's, a conffile of the
#    package; the package's own /usr/lib/vostrelle/Vostrelle.ini when it has
#    been removed), made only when the folder has none; from then on the file
#    is the operator's and nothing here (nor an upgrade or a removal of the
#    package) touches it;
#  - Ports/: made with that first copy, with LISEZMOI.txt, and never touched
#    after (its COM<n> links are the operator's whole port map). A folder that
#    had its configuration already (from an install with `cmake --install`)
#    does not get one: without Ports/ the program uses the default port map,
#    which that operator's settings may rely on; removing Ports/ later is
#    respected in the same way;
#  - every other file of the package (program, skins, font, help page...): a
#    symbolic link to the installed file, never a copy, so an upgrade takes
#    effect for every operator at the next start and nothing in the folder is
#    a writable copy that goes stale. Files a new version adds are linked,
#    links to files it dropped are removed; a real file where the package has
#    one (left by an install with `cmake --install`) is replaced by the link,
#    after being moved into "Anciens fichiers/" unless it is the same.
# Nothing outside the folder is ever moved or removed: links inside it are
# never followed (a link or a file where the package has a folder is put
# aside like any other), and file names are never read as text, whatever
# characters they hold.
# The program is then started by its link in the folder: it takes the folder
# of the path it was started by as its own, not the folder of the linked file.
#
# Started from the desktop's menu or a login session, nobody reads this
# script's messages: a failure is then also shown in a window (the package's
# vostrelle-message, on the program's own Qt).
set -eu
shopt -s nullglob dotglob globstar

version='@VOS_DEB_VERSION@'

usage() {
  cat <<'EOF'
Usage : vostrelle [OPTION]
Prépare le dossier du programme de l'utilisateur, ~/Vostrelle (configuration
Vostrelle.ini, ports série dans Ports/, liens vers les fichiers du paquet),
puis lance le pupitre depuis ce dossier.
  --preparer             prépare le dossier sans lancer le pupitre
  --poste-dedie          lance le pupitre en plein écran (session « Vostrelle
                         (poste dédié) » de l'écran de connexion)
  --demarrage-auto       lance désormais le pupitre à l'ouverture de la session
  --sans-demarrage-auto  ne le lance plus à l'ouverture de la session
  --version              affiche la version
  -h, --help             affiche cette aide
Voir vostrelle(1).
EOF
}

say() { printf 'vostrelle : %s\n' "$*" >&2; }

self=$(readlink -f "$0")
here=$(dirname "$self")
message=$here/../libexec/vostrelle/vostrelle-message
failed=false

# Shows TEXT in a window when no terminal gets this script's messages (menu,
# login session) and a display is there; returns when the operator closed it.
show_window() {
  if [ -t 2 ] || [ -z "${DISPLAY-}${WAYLAND_DISPLAY-}" ] || [ ! -x "$message" ]; then return 0; fi
  "$message" "$1" </dev/null >/dev/null 2>&1 || true
}

# fail WHAT REMEDY: says what went wrong and what to do, and stops.
fail() {
  failed=true
  say "$1"
  say "  $2"
  show_window "Le pupitre Vostrelle ne peut pas démarrer : $1."$'\n\n'"Que faire : $2."
  exit 1
}

# Any other failure (a command that could not do its part) is shown too.
on_exit() {
  local status=$?
  if [ "$status" -ne 0 ] && ! $failed; then
    show_window "Le pupitre Vostrelle n'a pas pu être préparé (erreur $status)."$'\n\n'"Lancez « vostrelle » dans un terminal pour en voir la raison. Si elle ne se corrige pas, réinstallez le paquet : sudo apt install --reinstall vostrelle"
  fi
}
trap on_exit EXIT

# ------------------------------------------------------- session start entry

autostart_entry() { printf '%s/autostart/vostrelle.desktop' "$(config_home)"; }
config_home() {
  case ${XDG_CONFIG_HOME-} in
    /*) printf '%s' "$XDG_CONFIG_HOME" ;;
    *) printf '%s/.config' "$HOME" ;;
  esac
}

# ARG as one argument of a desktop entry's Exec line.
desktop_arg() {
  local s=$1
  s=${s//\\/\\\\}; s=${s//\"/\\\"}; s=${s//\`/\\\`}; s=${s//\$/\\\$}; s=${s//%/%%}
  s=${s//\\/\\\\}; s=${s//$'\n'/\\n}
  printf '"%s"' "$s"
}

enable_autostart() {
  local entry
  entry=$(autostart_entry)
  mkdir -p -- "${entry%/*}" || fail "impossible de créer le dossier ${entry%/*}" "vérifier les droits de ce dossier"
  cat >"$entry.new" <<EOF
[Desktop Entry]
Type=Application
Name=Vostrelle
Comment=Pupitre opérateur, lancé à l'ouverture de la session (vostrelle --sans-demarrage-auto pour ne plus le lancer)
Exec=$(desktop_arg "$self")
Icon=vostrelle
Terminal=false
X-GNOME-Autostart-enabled=true
EOF
  mv -f -- "$entry.new" "$entry"
  say "le pupitre sera lancé à chaque ouverture de session ($entry)"
}

disable_autostart() {
  local entry
  entry=$(autostart_entry)
  rm -f -- "$entry"
  say "le pupitre ne sera plus lancé à l'ouverture de la session"
}

# ------------------------------------------------------------------- options

mode=start
case "${1-}" in
  "") ;;
  --preparer) mode=prepare ;;
  --poste-dedie) mode=station ;;
  --demarrage-auto) mode=autostart-on ;;
  --sans-demarrage-auto) mode=autostart-off ;;
  --version) printf 'vostrelle %s\n' "$version"; exit 0 ;;
  -h|--help) usage; exit 0 ;;
  *) failed=true; say "option inconnue « $1 » (vostrelle --help)"; exit 2 ;;
esac
[ $# -le 1 ] || { failed=true; say "trop d'arguments (vostrelle --help)"; exit 2; }

if [ -z "${HOME-}" ] || [ ! -d "$HOME" ]; then
  fail "pas de dossier personnel (HOME)" "ouvrir une session d'utilisateur ordinaire"
fi
case $mode in
  autostart-on) enable_autostart; exit 0 ;;
  autostart-off) disable_autostart; exit 0 ;;
esac

# ------------------------------------------------------- the operator's folder

# The package's files lie in lib/vostrelle beside the launcher's bin folder
# (/usr/lib/vostrelle for /usr/bin/vostrelle; also in an unpacked copy), the
# site's first configuration in etc/vostrelle two levels up.
reinstall="réinstaller le paquet : sudo apt install --reinstall vostrelle"
package=$(cd "$here/../lib/vostrelle" 2>/dev/null && pwd -P) ||
  fail "fichiers du programme introuvables ($here/../lib/vostrelle)" "$reinstall"
if [ ! -x "$package/vostrelle" ] || [ ! -f "$package/Vostrelle.ini" ]; then
  fail "installation incomplète dans $package" "$reinstall"
fi
first_config=$here/../../etc/vostrelle/Vostrelle.ini
[ -f "$first_config" ] || first_config=$package/Vostrelle.ini

folder=$HOME/Vostrelle
kept=$folder/Anciens\ fichiers
user=$(id -un)
if [ -L "$folder" ] && [ ! -d "$folder" ]; then
  fail "$folder est un lien vers un dossier absent ($(readlink -- "$folder"))" \
    "brancher ou monter le disque de ce dossier, ou supprimer le lien pour que le dossier soit refait"
fi
if ! mkdir -p -- "$folder" 2>/dev/null || [ ! -w "$folder" ]; then
  fail "impossible de créer ou de modifier le dossier $folder" "vérifier les droits de ce dossier et de $HOME"
fi

# walk BASE REL OBSTACLE: makes BASE/REL a folder, one step at a time; a step
# that is a link or not a folder is handed to OBSTACLE (never followed).
walk() {
  local path=$1 rest=$2 obstacle=$3 part
  while [ -n "$rest" ]; do
    part=${rest%%/*}
    if [ "$part" = "$rest" ]; then rest=; else rest=${rest#*/}; fi
    path=$path/$part
    if [ -L "$path" ] || { [ -e "$path" ] && [ ! -d "$path" ]; }; then "$obstacle" "$path"; fi
    [ -d "$path" ] || mkdir -- "$path"
  done
}

refuse_in_kept() {
  fail "$1 n'est pas un dossier : les anciens fichiers ne peuvent pas y être rangés" "le renommer ou le supprimer"
}

# put_aside PATH: moves PATH (inside the folder) into "Anciens fichiers".
put_aside() {
  local name=${1#"$folder"/} dir
  dir=${name%/*}
  [ "$dir" != "$name" ] || dir=
  walk "$folder" "Anciens fichiers${dir:+/$dir}" refuse_in_kept
  mv --backup=numbered -T -- "$1" "$kept/$name"
  say "$1 est rangé dans « $kept » : à sa place, le fichier ou le dossier du paquet"
}

# link_file NAME: FOLDER/NAME is a link to the package's PACKAGE/NAME.
link_file() {
  local name=$1 target=$package/$1 link=$folder/$1 dir
  dir=${name%/*}
  [ "$dir" = "$name" ] || walk "$folder" "$dir" put_aside
  if [ -L "$link" ]; then
    [ "$(readlink -- "$link")" = "$target" ] || ln -sfn -- "$target" "$link"
    return 0
  fi
  if [ -e "$link" ]; then
    if [ -f "$link" ] && cmp -s -- "$link" "$target"; then rm -f -- "$link"; else put_aside "$link"; fi
  fi
  ln -s -- "$target" "$link"
}

first_start=false
if [ ! -e "$folder/Vostrelle.ini" ] && [ ! -L "$folder/Vostrelle.ini" ]; then
  cp -- "$first_config" "$folder/Vostrelle.ini" ||
    fail "impossible de copier la configuration $first_config dans $folder" "vérifier les droits de ces fichiers"
  chmod u+w -- "$folder/Vostrelle.ini"
  first_start=true
fi

if $first_start && [ ! -e "$folder/Ports" ] && [ ! -L "$folder/Ports" ]; then
  mkdir -- "$folder/Ports"
  cat >"$folder/Ports/LISEZMOI.txt" <<EOF
Ports série de Vostrelle. Les liens COM1, COM2... de ce dossier sont les seuls
ports du pupitre : le port n est le lien COM<n>, et il n'y en a pas d'autre.
Pour relier un adaptateur USB-série par son nom stable (qui ne change pas
d'un branchement à l'autre), cherchez-le puis faites le lien, par exemple :
  ls -l /dev/serial/by-id/
  ln -s /dev/serial/by-id/usb-NOM_DE_L_ADAPTATEUR-if00-port0 $folder/Ports/COM1
puis choisissez COM1 sur le pupitre (CONF). Un lien peut aussi désigner
un port du PC, /dev/ttyS0 par exemple.
L'opérateur doit être membre du groupe dialout pour ouvrir les ports série :
  sudo adduser $user dialout
puis fermer la session et la rouvrir.
EOF
fi

# Links to the package's files (everything but the first configuration).
for path in "$package"/**; do
  name=${path#"$package"/}
  if [ -z "$name" ] || [ "$name" = Vostrelle.ini ] || { [ -d "$path" ] && [ ! -L "$path" ]; }; then continue; fi
  link_file "$name"
done

# Links to files that the installed version no longer has.
for path in "$folder"/**; do
  case ${path#"$folder"/} in
    Ports | Ports/* | "Anciens fichiers" | "Anciens fichiers"/*) continue ;;
  esac
  if [ -L "$path" ] && [ ! -e "$path" ]; then
    case $(readlink -- "$path") in
      "$package"/*) rm -f -- "$path" ;;
    esac
  fi
done

# The dialout group: advice only to an operator who is not in it.
in_dialout() { case " $1 " in *" dialout "*) return 0 ;; esac; return 1; }
if $first_start; then
  say "dossier du programme préparé : $folder"
  say "  Vostrelle.ini : la configuration de $user (gardée par les mises à jour du paquet)"
  say "  Ports/ : les ports série du pupitre, à relier aux adaptateurs (voir Ports/LISEZMOI.txt)"
fi
if [ "$(id -u)" -ne 0 ] && ! in_dialout "$(id -Gn)"; then
  if in_dialout "$(id -Gn -- "$user" 2>/dev/null)"; then
    say "$user est membre du groupe dialout depuis l'ouverture de cette session : fermer la session et la rouvrir pour ouvrir les ports série."
  else
    say "$user n'est pas membre du groupe dialout : les ports série lui sont refusés."
    say "  Pour l'y ajouter : sudo adduser $user dialout, puis fermer la session et la rouvrir."
  fi
fi

case $mode in
  prepare) exit 0 ;;
  station) set -- --plein-ecran ;;
  *) set -- ;;
esac
cd -- "$folder"
trap - EXIT
exec "$folder/vostrelle" "$@"
