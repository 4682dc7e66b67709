# Run at install time: writes the desktop entry of the installed program
# folder, $DESTDIR<prefix>/vostrelle.desktop, from VOS_DESKTOP_TEMPLATE. The
# folder is only known now (cmake --install BUILD --prefix DIR), so Exec,
# Path and Icon name the program and its icon there.
get_filename_component(_vos_dir "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)

# Exec: the path between double quotes, where \ " ` $ take a backslash and
# % is doubled; then, as in every string value, \ itself is written \\.
set(_vos_exec "${_vos_dir}/vostrelle")
string(REPLACE "\\" "\\\\" _vos_exec "${_vos_exec}")
string(REPLACE "\"" "\\\"" _vos_exec "${_vos_exec}")
string(REPLACE "`" "\\`" _vos_exec "${_vos_exec}")
string(REPLACE "$" "\\$" _vos_exec "${_vos_exec}")
string(REPLACE "%" "%%" _vos_exec "${_vos_exec}")
string(REPLACE "\\" "\\\\" _vos_exec "${_vos_exec}")
set(VOS_DESKTOP_EXEC "\"${_vos_exec}\"")

string(REPLACE "\\" "\\\\" VOS_DESKTOP_PATH "${_vos_dir}")
set(VOS_DESKTOP_ICON "${VOS_DESKTOP_PATH}/vostrelle.png")

set(_vos_entry "$ENV{DESTDIR}${_vos_dir}/vostrelle.desktop")
message(STATUS "Installing: ${_vos_entry}")
# Executable, as desktops ask of a launcher outside their menus folders.
configure_file("${VOS_DESKTOP_TEMPLATE}" "${_vos_entry}" @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_vos_entry}")
