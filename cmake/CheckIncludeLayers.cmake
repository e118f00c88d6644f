# Checks that the folders of a source tree only include downward.
#
#   cmake -DSOURCE_DIR=<dir> -P cmake/CheckIncludeLayers.cmake
#
# Every file under SOURCE_DIR/<folder>/ may include "X/..." only when X is
# <folder> itself or a folder listed before it below. Quoted includes without
# a folder part are same-folder includes; angle-bracket includes are system
# headers and are not looked at. Each offending line is printed as
#   path:line: <folder> includes "<include>", a layer above it
# and the script then fails.

cmake_minimum_required(VERSION 3.25)

# Lowest layer first; an upward include would make a lower layer depend on a
# higher one, so the layers could no longer be built or tested bottom-up.
set(LAYERS rules framework platform log text subtitle plugin ssa)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "Usage: cmake -DSOURCE_DIR=<dir> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "${SOURCE_DIR} is not a folder")
endif()

set(problems 0)

# A folder nobody placed in LAYERS has no rank, so it is refused outright.
file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${SOURCE_DIR}/${entry}" AND NOT entry IN_LIST LAYERS)
    message("${SOURCE_DIR}/${entry}: folder \"${entry}\" is not in the layer order; "
            "add it to LAYERS in ${CMAKE_CURRENT_LIST_FILE}")
    math(EXPR problems "${problems} + 1")
  endif()
endforeach()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}"
  "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.hpp" "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.inc")
list(SORT files)

foreach(file IN LISTS files)
  string(FIND "${file}" "/" slash)
  if(slash EQUAL -1)
    message("${SOURCE_DIR}/${file}: lies in no layer folder")
    math(EXPR problems "${problems} + 1")
    continue()
  endif()
  string(SUBSTRING "${file}" 0 ${slash} folder)
  if(NOT folder IN_LIST LAYERS)
    continue()  # already reported with its folder
  endif()
  list(FIND LAYERS "${folder}" rank)
  get_filename_component(file_dir "${SOURCE_DIR}/${file}" DIRECTORY)

  # Split into lines by hand: file(STRINGS) drops empty lines, which would
  # throw the line numbers off. Characters that CMake lists treat specially
  # never occur in an include line, so they are blanked out first.
  file(READ "${SOURCE_DIR}/${file}" text)
  string(REGEX REPLACE "[][;\\\\]" " " text "${text}")
  string(REPLACE "\n" ";" lines "${text}")

  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
      continue()
    endif()
    set(include "${CMAKE_MATCH_1}")
    if(NOT include MATCHES "/")
      continue()  # same folder
    endif()

    # A quoted include is looked up beside the including file first, so
    # "../text/Utf.h" reaches text/ just as "text/Utf.h" does.
    set(target "")
    cmake_path(ABSOLUTE_PATH include BASE_DIRECTORY "${file_dir}" NORMALIZE
               OUTPUT_VARIABLE beside)
    if(EXISTS "${beside}")
      cmake_path(IS_PREFIX SOURCE_DIR "${beside}" NORMALIZE inside)
      if(inside)
        file(RELATIVE_PATH target "${SOURCE_DIR}" "${beside}")
      endif()
    endif()
    if(target STREQUAL "")
      set(target "${include}")
    endif()
    string(REGEX REPLACE "/.*" "" target_folder "${target}")

    list(FIND LAYERS "${target_folder}" target_rank)
    if(target_rank EQUAL -1)
      message("${SOURCE_DIR}/${file}:${number}: ${folder} includes \"${include}\", "
              "which names no layer")
      math(EXPR problems "${problems} + 1")
    elseif(target_rank GREATER rank)
      message("${SOURCE_DIR}/${file}:${number}: ${folder} includes \"${include}\", "
              "a layer above it")
      math(EXPR problems "${problems} + 1")
    endif()
  endforeach()
endforeach()

if(problems GREATER 0)
  message(FATAL_ERROR "${problems} include layer problem(s) under ${SOURCE_DIR}; "
                      "the order, lowest first, is: ${LAYERS}")
endif()
