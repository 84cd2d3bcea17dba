# Helpers shared by every folder of the project.

# chronark_library(NAME [EXCLUDE file...] [DEPENDS target...] [RESOURCES prefix dir])
# One library per folder: every .cpp and .h below the calling folder (recursively).
function(chronark_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.ui")
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${ex}")
  endforeach()
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# chronark_bundle_resources(TARGET BUNDLE dir)
# Adds every file below resources/<dir> to TARGET as the Qt resources of the bundle
# ":/bundles/<dir>/…", which platform::Bundle reads.
function(chronark_bundle_resources target bundle)
  set(root "${PROJECT_SOURCE_DIR}/resources/${bundle}")
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE "${root}" "${root}/*")
  list(TRANSFORM files PREPEND "${root}/")
  if(files)
    qt_add_resources(${target} "bundle_${bundle}"
      PREFIX "/bundles/${bundle}" BASE "${root}"
      FILES ${files})
  endif()
endfunction()

# chronark_wayland_protocol(TARGET XML)
# Generates the client header and the interface code of a Wayland protocol with
# wayland-scanner and adds them to TARGET; the header is included as
# "wayland/<name>-client-protocol.h" (generated/ is on every library's include path).
function(chronark_wayland_protocol target xml)
  get_filename_component(base "${xml}" NAME_WE)
  set(dir "${PROJECT_BINARY_DIR}/generated/wayland")
  file(MAKE_DIRECTORY "${dir}")
  add_custom_command(OUTPUT "${dir}/${base}-client-protocol.h"
    COMMAND "${WAYLAND_SCANNER}" client-header "${xml}" "${dir}/${base}-client-protocol.h"
    DEPENDS "${xml}" VERBATIM)
  add_custom_command(OUTPUT "${dir}/${base}-protocol.c"
    COMMAND "${WAYLAND_SCANNER}" private-code "${xml}" "${dir}/${base}-protocol.c"
    DEPENDS "${xml}" VERBATIM)
  target_sources(${target} PRIVATE "${dir}/${base}-client-protocol.h" "${dir}/${base}-protocol.c")
  target_include_directories(${target} PUBLIC "${PROJECT_BINARY_DIR}/generated")
endfunction()

# chronark_precompile_headers(DIRECTORY dir MIN_SOURCES n)
# Gives every library and program below dir with at least n C++ sources the
# precompiled cmake/Precompiled.h (the test programs, named test_*, with GoogleTest and
# Qt Test too). Parsing Qt's headers is about a third of compiling a source here; a
# small target would spend more on its own precompiled header than it saves.
function(chronark_precompile_headers)
  cmake_parse_arguments(ARG "" "DIRECTORY;MIN_SOURCES" "" ${ARGN})
  get_property(subdirs DIRECTORY "${ARG_DIRECTORY}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    chronark_precompile_headers(DIRECTORY "${sub}" MIN_SOURCES ${ARG_MIN_SOURCES})
  endforeach()
  get_property(targets DIRECTORY "${ARG_DIRECTORY}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(LENGTH sources count)
    if(count LESS ARG_MIN_SOURCES)
      continue()
    endif()
    target_precompile_headers(${target} PRIVATE
      "$<$<COMPILE_LANGUAGE:CXX>:${PROJECT_SOURCE_DIR}/cmake/Precompiled.h>")
    if(target MATCHES "^test_")
      target_compile_definitions(${target} PRIVATE CHRONARK_PRECOMPILED_TESTS)
    endif()
  endforeach()
endfunction()
