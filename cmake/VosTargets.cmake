# Helpers that turn a folder into a library target and a test or benchmark file
# into an executable, so that adding a source file never needs a CMake edit.

# vos_library(NAME DIR [EXCLUDE file...] DEPS dep...)
# Every .cpp directly in DIR belongs to NAME. A folder without sources yields
# an INTERFACE target, so dependents link whatever exists so far. No class of
# the program declares Q_OBJECT (signals are connected to lambdas), so no
# library runs moc.
function(vos_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/${dir}/${ex})
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs} ${hdrs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# The library a test or benchmark links is told by its file name:
#   <lib>_<anything>_test.cpp / <lib>_<anything>_bench.cpp
# where <lib> is one of the library short names below (longest match wins):
# the program's folders, then the tools' (tools/sim, tools/skingen), whose
# libraries hold everything of the tool but its main().
set(VOS_LIB_SHORT_NAMES platform_core serial_core platform serial panel input app sim skingen)

function(vos_lib_for_file file out)
  get_filename_component(base ${file} NAME_WE)
  set(found "")
  foreach(short IN LISTS VOS_LIB_SHORT_NAMES)
    string(LENGTH "${short}_" len)
    string(SUBSTRING "${base}" 0 ${len} prefix)
    if(prefix STREQUAL "${short}_" AND NOT found)
      set(found vostrelle_${short})
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "${file}: name must start with a library short name (${VOS_LIB_SHORT_NAMES})")
  endif()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
