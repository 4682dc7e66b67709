#!/bin/sh
# vostrelle: the launcher that the Debian package puts on the PATH.
#
# The program finds everything in its own folder and rewrites its
# configuration there, so every operator has a folder of his own, ~/Vostrelle,
# which this script lays out, then starts the program from it. At every start:
#  - Vostrelle.ini: a copy of the package's first configuration file, made
#    only when the folder has none; from then on the file is the operator's and
#    nothing here (nor an upgrade or a removal of the package) touches it;
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
# The program is then started by its link in the folder: it takes the folder
# of the path it was started by as its own, not the folder of the linked file.
#
# vostrelle --preparer lays the folder out without starting the program (to
# link the serial adapters into Ports/ before the operator's first start).
set -eu

say() { printf 'vostrelle : %s\n' "$*" >&2; }
fail() { say "$*"; exit 1; }

prepare_only=false
case "${1-}" in
  "") ;;
  --preparer) prepare_only=true ;;
  -h|--help)
    cat <<'EOF'
Usage : vostrelle [--preparer]
Prépare le dossier du programme de l'utilisateur, ~/Vostrelle (configuration
Vostrelle.ini, ports série dans Ports/, liens vers les fichiers du paquet),
puis lance le pupitre depuis ce dossier. --preparer : prépare le dossier sans
lancer le pupitre. Voir vostrelle(1).
EOF
    exit 0 ;;
  *) fail "option inconnue « $1 » (vostrelle --help)" ;;
esac
[ $# -le 1 ] || fail "trop d'arguments (vostrelle --help)"

# The package's files lie in lib/vostrelle beside the launcher's bin folder
# (/usr/lib/vostrelle for /usr/bin/vostrelle; also in an unpacked copy).
here=$(dirname "$(readlink -f "$0")")
package=$(cd "$here/../lib/vostrelle" 2>/dev/null && pwd -P) ||
  fail "fichiers du programme introuvables ($here/../lib/vostrelle) : réinstaller le paquet vostrelle"
if [ ! -x "$package/vostrelle" ] || [ ! -f "$package/Vostrelle.ini" ]; then
  fail "installation incomplète dans $package : réinstaller le paquet vostrelle"
fi

if [ -z "${HOME-}" ] || [ ! -d "$HOME" ]; then fail "pas de dossier personnel (HOME)"; fi
folder="$HOME/Vostrelle"
user=$(id -un)
if ! mkdir -p "$folder" 2>/dev/null || [ ! -w "$folder" ]; then
  fail "impossible de créer ou de modifier le dossier $folder"
fi

first_start=false
if [ ! -e "$folder/Vostrelle.ini" ] && [ ! -L "$folder/Vostrelle.ini" ]; then
  cp "$package/Vostrelle.ini" "$folder/Vostrelle.ini"
  chmod u+w "$folder/Vostrelle.ini"
  first_start=true
fi

if $first_start && [ ! -e "$folder/Ports" ] && [ ! -L "$folder/Ports" ]; then
  mkdir "$folder/Ports"
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
kept="$folder/Anciens fichiers"
(cd "$package" && find . ! -type d ! -path ./Vostrelle.ini) | while IFS= read -r entry; do
  name=${entry#./}
  target="$package/$name"
  link="$folder/$name"
  mkdir -p "$(dirname "$link")"
  if [ -L "$link" ]; then
    [ "$(readlink "$link")" = "$target" ] || ln -sfn "$target" "$link"
    continue
  fi
  if [ -e "$link" ]; then
    if [ -f "$link" ] && cmp -s "$link" "$target"; then
      rm -f "$link"
    else
      mkdir -p "$(dirname "$kept/$name")"
      mv --backup=numbered "$link" "$kept/$name"
      say "$link est remplacé par un lien vers le fichier du paquet ; l'ancien est dans « $kept »"
    fi
  fi
  ln -s "$target" "$link"
done

# Links to files that the installed version no longer has.
find "$folder" \( -path "$folder/Ports" -o -path "$kept" \) -prune -o -type l -print |
  while IFS= read -r link; do
    case $(readlink "$link") in
      "$package"/*) [ -e "$link" ] || rm -f "$link" ;;
    esac
  done

in_dialout=false
case " $(id -Gn) " in *" dialout "*) in_dialout=true ;; esac
if $first_start; then
  say "dossier du programme préparé : $folder"
  say "  Vostrelle.ini : la configuration de $user (gardée par les mises à jour du paquet)"
  say "  Ports/ : les ports série du pupitre, à relier aux adaptateurs (voir Ports/LISEZMOI.txt)"
fi
if ! $in_dialout && [ "$(id -u)" -ne 0 ]; then
  say "$user n'est pas membre du groupe dialout : les ports série lui sont refusés."
  say "  Pour l'y ajouter : sudo adduser $user dialout, puis fermer la session et la rouvrir."
elif $first_start; then
  say "l'opérateur doit être membre du groupe dialout pour ouvrir les ports série (sudo adduser NOM dialout)"
fi

$prepare_only && exit 0
cd "$folder"
exec "$folder/vostrelle"
