# Run at install time: installs the first configuration file only into a
# folder that has none, so that installing a new version over a working
# program folder keeps the workshop's port, speed and skin settings.
set(_vos_ini "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/Vostrelle.ini")
if(EXISTS "${_vos_ini}")
  message(STATUS "Kept (existing settings): ${_vos_ini}")
else()
  file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}" TYPE FILE FILES "${VOS_FIRST_CONFIG}")
endif()
