# Debian's hardening for every target of the build, as dpkg-buildflags gives
# it with all its features: stack protector, format checks, fortified string
# and memory functions, full RELRO and immediate binding (the program reads a
# serial line nobody vouches for). The optimisation and debug flags stay the
# build type's; the fortified functions need optimisation, so a Debug build
# goes without them. Left out of sanitizer and fuzzing builds, whose own
# instrumentation replaces these checks. Included before the targets.
option(VOS_HARDENING "Build with the hardening flags of dpkg-buildflags" ON)
find_program(VOS_DPKG_BUILDFLAGS dpkg-buildflags)
if(VOS_HARDENING AND NOT VOS_SANITIZE AND NOT VOS_BUILD_FUZZ)
  if(NOT VOS_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "dpkg-buildflags (package dpkg-dev) not found; -DVOS_HARDENING=OFF builds without hardening")
  endif()
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${VOS_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # -ffile-prefix-map names the folder cmake runs in, which would also keep
    # clones at other paths from sharing the compiler cache.
    list(FILTER flags EXCLUDE REGEX "^(-g.*|-O.*|-ffile-prefix-map=.*|-fdebug-prefix-map=.*)$")
    set(vos_${kind} ${flags})
  endforeach()
  set(fortify ${vos_CPPFLAGS})
  list(FILTER fortify INCLUDE REGEX "^-D_FORTIFY_SOURCE")
  list(FILTER vos_CPPFLAGS EXCLUDE REGEX "^-D_FORTIFY_SOURCE")
  add_compile_options(${vos_CPPFLAGS} ${vos_CXXFLAGS} "$<$<NOT:$<CONFIG:Debug>>:${fortify}>")
  add_link_options(${vos_LDFLAGS})
  message(STATUS "Hardening: ${vos_CPPFLAGS} ${vos_CXXFLAGS} ${fortify} / ${vos_LDFLAGS}")
endif()
