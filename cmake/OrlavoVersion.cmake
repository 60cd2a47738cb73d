# FileVersion text as the programs read it back, for example "2, 0, 44, 3".
set(ORLAVO_FILE_VERSION
    "${PROJECT_VERSION_MAJOR}, ${PROJECT_VERSION_MINOR}, ${PROJECT_VERSION_PATCH}, ${PROJECT_VERSION_TWEAK}")

# The block that carries a FileVersion inside a file: a start byte, a tag, a
# separator byte, the text, and a terminating NUL (a line feed in bundles). ReadFileVersion finds it
# by scanning the bytes, so it can be read without running the file.
set(ORLAVO_VERSION_TAG "OrlavoFileVersion")

# Embeds VERSION (default: the project's) into an executable target.
function(orlavo_embed_version target)
  cmake_parse_arguments(ARG "" "VERSION" "" ${ARGN})
  if(NOT ARG_VERSION)
    set(ARG_VERSION "${ORLAVO_FILE_VERSION}")
  endif()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_fileversion.cpp")
  file(CONFIGURE OUTPUT "${out}" CONTENT
"// Generated: the FileVersion of ${target}.
extern \"C\" __attribute__((used)) const char orlavo_file_version_block[] =
    \"\\x01\" \"${ORLAVO_VERSION_TAG}\" \"\\x02\" \"${ARG_VERSION}\";
" @ONLY)
  target_sources(${target} PRIVATE "${out}")
endfunction()

# Writes CONTENT to PATH only when it differs, so that configuring again
# does not make everything built from the file stale.
function(orlavo_write_if_changed path content)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${content}")
endfunction()

# Writes the FileVersion block as a file, for resource bundles.
function(orlavo_write_version_file path version)
  string(ASCII 1 start)
  string(ASCII 2 sep)
  orlavo_write_if_changed("${path}" "${start}${ORLAVO_VERSION_TAG}${sep}${version}\n")
endfunction()

# Turns a folder of strings and pictures into a Qt binary resource bundle
# (for example Resources.rcc) that carries a FileVersion.
#   orlavo_add_bundle(TARGET name OUTPUT path FOLDER dir [VERSION text])
function(orlavo_add_bundle)
  cmake_parse_arguments(ARG "" "TARGET;OUTPUT;FOLDER;VERSION" "" ${ARGN})
  if(NOT ARG_VERSION)
    set(ARG_VERSION "${ORLAVO_FILE_VERSION}")
  endif()
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${ARG_TARGET}_bundle")
  file(MAKE_DIRECTORY "${work}")
  orlavo_write_version_file("${work}/FileVersion" "${ARG_VERSION}")
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE "${ARG_FOLDER}" "${ARG_FOLDER}/*")
  set(qrc "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n")
  string(APPEND qrc "  <file alias=\"FileVersion\">${work}/FileVersion</file>\n")
  set(deps "")
  foreach(f IN LISTS files)
    # The version is ours to write; hidden files are no resources.
    if(f STREQUAL "FileVersion" OR f MATCHES "(^|/)\\.")
      continue()
    endif()
    set(alias "${f}")
    set(source "${ARG_FOLDER}/${f}")
    foreach(var alias source)
      string(REPLACE "&" "&amp;" ${var} "${${var}}")
      string(REPLACE "<" "&lt;" ${var} "${${var}}")
      string(REPLACE "\"" "&quot;" ${var} "${${var}}")
    endforeach()
    string(APPEND qrc "  <file alias=\"${alias}\">${source}</file>\n")
    list(APPEND deps "${ARG_FOLDER}/${f}")
  endforeach()
  string(APPEND qrc "</qresource>\n</RCC>\n")
  orlavo_write_if_changed("${work}/bundle.qrc" "${qrc}")
  # The output's folder is made by the build: only Ninja makes it on its own.
  get_filename_component(out_dir "${ARG_OUTPUT}" DIRECTORY)
  add_custom_command(
    OUTPUT "${ARG_OUTPUT}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${out_dir}"
    COMMAND Qt6::rcc --binary --no-compress -o "${ARG_OUTPUT}" "${work}/bundle.qrc"
    DEPENDS ${deps} "${work}/bundle.qrc" "${work}/FileVersion"
    COMMENT "Resource bundle ${ARG_OUTPUT}")
  add_custom_target(${ARG_TARGET} ALL DEPENDS "${ARG_OUTPUT}")
endfunction()
