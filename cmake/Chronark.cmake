# Helpers shared by every folder of the project.

# chronark_library(NAME [EXCLUDE file...] [PUBLIC target...] [PRIVATE target...])
# One library per folder: every .cpp, .h and .ui below the calling folder (recursively).
# PUBLIC names what the library's own headers expose (a user of the library sees those
# headers too), PRIVATE what only its sources use.
# Includes are written from the source root ("platform/drawing/Sheet.h"), yet a library
# exports no more than its own folder: the folder is linked into an include root of its
# own in the build folder (include/NAME/platform/drawing -> the source folder), and that
# root is the one include path the library hands on. A source that includes a header of
# a library it does not link, directly or through a PUBLIC chain, does not compile.
function(chronark_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;PUBLIC;PRIVATE" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "chronark_library(${name}): unexpected ${ARG_UNPARSED_ARGUMENTS} "
                        "(name the libraries it uses after PUBLIC or PRIVATE)")
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.ui")
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${ex}")
  endforeach()
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
  chronark_include_root(${name} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# chronark_include_root(TARGET PUBLIC|PRIVATE|INTERFACE folder...)
# Puts each folder (below the source root) on TARGET's include path under its path from
# the source root, and nothing beside it: build/include/TARGET/<path> links to the folder.
function(chronark_include_root target scope)
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  foreach(dir IN LISTS ARGN)
    file(RELATIVE_PATH folder "${PROJECT_SOURCE_DIR}" "${dir}")
    if(folder STREQUAL "" OR folder MATCHES "^\\.\\.")
      message(FATAL_ERROR "chronark_include_root(${target}): ${dir} is not a folder below the source root")
    endif()
    get_filename_component(parent "${root}/${folder}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    set(current "")
    if(IS_SYMLINK "${root}/${folder}")
      file(READ_SYMLINK "${root}/${folder}" current)
    endif()
    if(NOT current STREQUAL dir)
      file(REMOVE "${root}/${folder}")
      file(CREATE_LINK "${dir}" "${root}/${folder}" SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} "${root}")
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
# "wayland/<name>-client-protocol.h" by TARGET's own sources.
function(chronark_wayland_protocol target xml)
  get_filename_component(base "${xml}" NAME_WE)
  set(dir "${PROJECT_BINARY_DIR}/generated/${target}/wayland")
  file(MAKE_DIRECTORY "${dir}")
  add_custom_command(OUTPUT "${dir}/${base}-client-protocol.h"
    COMMAND "${WAYLAND_SCANNER}" client-header "${xml}" "${dir}/${base}-client-protocol.h"
    DEPENDS "${xml}" VERBATIM)
  add_custom_command(OUTPUT "${dir}/${base}-protocol.c"
    COMMAND "${WAYLAND_SCANNER}" private-code "${xml}" "${dir}/${base}-protocol.c"
    DEPENDS "${xml}" VERBATIM)
  target_sources(${target} PRIVATE "${dir}/${base}-client-protocol.h" "${dir}/${base}-protocol.c")
  target_include_directories(${target} PRIVATE "${PROJECT_BINARY_DIR}/generated/${target}")
endfunction()

# chronark_precompile_headers(DIRECTORY dir MIN_SOURCES n)
# Gives every library and program below dir with at least n C++ sources the
# precompiled cmake/Precompiled.h. Parsing Qt's headers is about a third of compiling a
# source here; a small library would spend more on its own precompiled header than it
# saves. The test programs, named test_*, all take one precompiled header (with
# GoogleTest and Qt Test too), made once by the first of them with n sources: each
# links the test support, and with it the same Qt modules, so the header reads the same
# in every one of them; one header instead of one each saves about a minute of a
# two-core build and 200 MB of disk per program. (-Winvalid-pch, which CMake adds, with
# -Werror fails the build should a program's flags ever make it unusable.)
function(chronark_precompile_headers)
  cmake_parse_arguments(ARG "" "DIRECTORY;MIN_SOURCES" "" ${ARGN})
  set_property(GLOBAL PROPERTY CHRONARK_PCH_TEST_PROGRAMS "")
  _chronark_precompile_directory("${ARG_DIRECTORY}" ${ARG_MIN_SOURCES})
  get_property(programs GLOBAL PROPERTY CHRONARK_PCH_TEST_PROGRAMS)
  set(maker "")
  foreach(entry IN LISTS programs)
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 target)
    list(GET entry 1 count)
    if(NOT count LESS ARG_MIN_SOURCES)
      set(maker ${target})
      break()
    endif()
  endforeach()
  if(NOT maker)
    return()
  endif()
  foreach(entry IN LISTS programs)
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 target)
    if(target STREQUAL maker)
      target_precompile_headers(${target} PRIVATE
        "$<$<COMPILE_LANGUAGE:CXX>:${PROJECT_SOURCE_DIR}/cmake/Precompiled.h>")
    else()
      target_precompile_headers(${target} REUSE_FROM ${maker})
    endif()
    target_compile_definitions(${target} PRIVATE CHRONARK_PRECOMPILED_TESTS)
  endforeach()
endfunction()

function(_chronark_precompile_directory directory min_sources)
  get_property(subdirs DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _chronark_precompile_directory("${sub}" ${min_sources})
  endforeach()
  get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    set(c_sources ${sources})
    list(FILTER c_sources INCLUDE REGEX "\\.c$")
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(LENGTH sources count)
    # CMake shares a precompiled header language by language; a program with C
    # sources (the Wayland protocols' glue) would ask the maker for a C one.
    if(target MATCHES "^test_" AND NOT c_sources)
      set_property(GLOBAL APPEND PROPERTY CHRONARK_PCH_TEST_PROGRAMS "${target}:${count}")
      continue()
    endif()
    if(count LESS min_sources)
      continue()
    endif()
    target_precompile_headers(${target} PRIVATE
      "$<$<COMPILE_LANGUAGE:CXX>:${PROJECT_SOURCE_DIR}/cmake/Precompiled.h>")
    if(target MATCHES "^test_")
      target_compile_definitions(${target} PRIVATE CHRONARK_PRECOMPILED_TESTS)
    endif()
  endforeach()
endfunction()

# chronark_describe_build()
# Asks CMake's file API for its description of this build (the targets with their
# sources, include folders and link lines, and the compiler's own include folders),
# which tools/check-layering reads beside the compiler's dependency output. CMake reads
# the questions when a configure starts and answers them when it generates, so the first
# configure of a build folder writes them and leaves an input of build.ninja dated after
# itself: the build that follows configures once more, which answers them.
# A static library has no link line of its own. Once every target is defined, each
# library of the project and each Qt module gets a program that links it alone, outside
# "all" (nothing builds it), named by its IDE folder "chronark-links/<target>": its link
# line is what the library brings to whatever links it, through every target, alias or
# name it links.
function(chronark_describe_build)
  set(query "${CMAKE_BINARY_DIR}/.cmake/api/v1/query")
  set(again "${query}/configure-once-more")
  if(NOT EXISTS "${query}/codemodel-v2")
    file(WRITE "${query}/codemodel-v2" "")
    file(WRITE "${query}/toolchains-v1" "")
    execute_process(COMMAND touch -d "+1 hour" "${again}" RESULT_VARIABLE failed)
    if(NOT failed)
      set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${again}")
    endif()
  else()
    file(REMOVE "${again}")
  endif()
  cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL _chronark_link_programs)
endfunction()

# chronark_programs_without_pie(KEEP program...)
# Links every program of the build but the ones named (the application) as a
# position-dependent executable. Each test program carries the whole application, and
# as a position-independent one it carries a relocation for every address in its data
# too: under the sanitizers, whose checks each keep a record with addresses in it, that
# is a quarter of its size (about 1.2 GB of the sanitizer build's programs). The code is
# compiled position-independent all the same, as Qt asks; only the link differs.
function(chronark_programs_without_pie)
  cmake_parse_arguments(ARG "" "" "KEEP" ${ARGN})
  _chronark_targets_below("${CMAKE_SOURCE_DIR}" targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" AND NOT target IN_LIST ARG_KEEP)
      target_link_options(${target} PRIVATE -no-pie)
    endif()
  endforeach()
endfunction()

function(_chronark_targets_below directory out)
  get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _chronark_targets_below("${sub}" below)
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(_chronark_link_programs)
  _chronark_targets_below("${CMAKE_SOURCE_DIR}" targets)
  get_property(imported DIRECTORY "${CMAKE_SOURCE_DIR}" PROPERTY IMPORTED_TARGETS)
  list(FILTER imported INCLUDE REGEX "^Qt6::")
  set(source "${CMAKE_BINARY_DIR}/CMakeFiles/chronark_links.cpp")
  file(CONFIGURE OUTPUT "${source}" CONTENT "int main() { return 0; }\n")
  foreach(target IN LISTS targets imported)
    get_target_property(type ${target} TYPE)
    get_target_property(sources ${target} SOURCES)
    if(NOT type MATCHES "^(STATIC|SHARED|OBJECT|UNKNOWN|INTERFACE)_LIBRARY$"
       OR (type STREQUAL "INTERFACE_LIBRARY" AND (target MATCHES "::" OR NOT sources)))
      continue()
    endif()
    string(MAKE_C_IDENTIFIER "chronark_links_${target}" program)
    add_executable(${program} EXCLUDE_FROM_ALL "${source}")
    target_link_libraries(${program} PRIVATE ${target})
    set_target_properties(${program} PROPERTIES FOLDER "chronark-links/${target}"
      AUTOMOC OFF AUTOUIC OFF AUTORCC OFF EXPORT_COMPILE_COMMANDS OFF)
  endforeach()
endfunction()
