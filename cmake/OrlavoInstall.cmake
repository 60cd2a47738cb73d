# What an installation holds and where (cmake --install, DESTDIR staging,
# CPack). Each target's CMakeLists calls these beside the target.
#
#   PREFIX/lib/orlavo/           the program folder: OrlavoW, Halvane, 1.jpg..3.jpg,
#                                translations/<language>/{Resources,HV_Res}.rcc
#                                (the folder the updater keeps current: Settings/LocalPath)
#   PREFIX/bin/                  orlavo-reg, orlavo-order, orlavo-lab; links to
#                                OrlavoW and Halvane in the program folder
#   PREFIX/share/applications/   the menu entry, which starts Halvane
#   PREFIX/share/icons/hicolor/  the icon, as PNG at several sizes and as SVG
#   PREFIX/share/metainfo/       the AppStream description
#   PREFIX/share/man/man1/       the tools' manual pages, made from their --help
#
# The programs find their pictures and bundles beside their own executable
# (through the links as well), so any prefix works.
include(GNUInstallDirs)

set(ORLAVO_INSTALL_PROGRAMDIR "lib/orlavo" CACHE STRING
    "Folder of the programs with their pictures and bundles, relative to the prefix")
# The name the desktop knows the application by: menu entry, icon, AppStream.
set(ORLAVO_APP_ID "com.vennara.orlavo")
# The release PROJECT_VERSION: its date, for the AppStream description and
# the package's changelog.
set(ORLAVO_RELEASE_DATE 2026-12-07)
set(ORLAVO_RELEASE_TIME "Mon, 07 Dec 2026 12:00:00 +0000")
# The sizes of the icon's PNGs in resources/desktop/icons/ (also drawn as SVG).
set(ORLAVO_ICON_SIZES 16 22 24 32 48 64 128 256 512)

# A program the user starts from the menu or a terminal: into the program
# folder, with a link from the folder of programs. /proc/self/exe names the
# program folder when it is started through the link. Its windows name the
# menu entry they belong to (ORLAVO_APP_ID), so the desktop shows its icon.
function(orlavo_install_program target)
  target_compile_definitions(${target} PRIVATE ORLAVO_APP_ID="${ORLAVO_APP_ID}")
  install(TARGETS ${target} RUNTIME DESTINATION ${ORLAVO_INSTALL_PROGRAMDIR})
  set(links ${CMAKE_BINARY_DIR}/install-links)
  file(MAKE_DIRECTORY ${links})
  file(RELATIVE_PATH to /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${ORLAVO_INSTALL_PROGRAMDIR}/${target})
  file(CREATE_LINK ${to} ${links}/${target} SYMBOLIC)
  install(FILES ${links}/${target} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# A command-line tool: into the folder of programs.
function(orlavo_install_tool target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# Files the wizard reads from its own folder (the pictures).
function(orlavo_install_program_files)
  install(FILES ${ARGN} DESTINATION ${ORLAVO_INSTALL_PROGRAMDIR})
endfunction()

# A language's resource bundle, FILE, where the programs look for
# the user's language: translations/<language>/ in the program folder.
function(orlavo_install_language_bundle file language)
  install(FILES ${file} DESTINATION ${ORLAVO_INSTALL_PROGRAMDIR}/translations/${language})
endfunction()

# The manual page of a tool, made from its --help by the build, so the two
# always agree; SUMMARY is its line under NAME.
#   orlavo_install_man_page(orlavo-reg SUMMARY "..." SEE_ALSO orlavo-order ...)
function(orlavo_install_man_page target)
  cmake_parse_arguments(ARG "" "SUMMARY" "SEE_ALSO" ${ARGN})
  set(dir ${CMAKE_BINARY_DIR}/man)
  set(page ${dir}/${target}.1.gz)
  set(see "")
  foreach(s IN LISTS ARG_SEE_ALSO)
    list(APPEND see --see-also ${s})
  endforeach()
  # A sanitizer build's tool may keep memory at exit; that is for the tests
  # to find, not a reason to fail the build of its manual page.
  set(run "")
  if(ORLAVO_SANITIZE)
    set(run ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0)
  endif()
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${run} $<TARGET_FILE:orlavo-manpage> --program $<TARGET_FILE:${target}> --name ${target}
            --summary ${ARG_SUMMARY} --source "Orlavo ${PROJECT_VERSION}" --manual Orlavo
            ${see} --output ${page}
    DEPENDS ${target} orlavo-manpage
    COMMENT "Manual page ${target}.1"
    VERBATIM)
  add_custom_target(man-${target} ALL DEPENDS ${page})
  add_dependencies(man-${target} ${target} orlavo-manpage)
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# A manual page written by hand (NAME.1.in, for programs without --help),
# with @PROJECT_VERSION@ filled in; compressed without a time stamp.
function(orlavo_install_written_man_page source)
  find_program(GZIP_PROGRAM gzip REQUIRED)
  get_filename_component(name ${source} NAME_WLE)
  get_filename_component(program ${source} NAME_WE)
  set(dir ${CMAKE_BINARY_DIR}/man)
  configure_file(${source} ${dir}/${name} @ONLY)
  add_custom_command(OUTPUT ${dir}/${name}.gz
                     COMMAND ${GZIP_PROGRAM} -9nkf ${dir}/${name}
                     DEPENDS ${dir}/${name})
  add_custom_target(man-${program} ALL DEPENDS ${dir}/${name}.gz)
  install(FILES ${dir}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# Once every folder is read: the targets that only generate files (no
# compiling, no dependency on a compiled target), listed in
# generated-targets.txt. The install tests build them in a fresh tree with
# the default generator, which, unlike Ninja, makes no output folder itself.
function(orlavo_collect_utility_targets dir out)
  set(found "")
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    get_target_property(deps ${t} MANUALLY_ADDED_DEPENDENCIES)
    if(type STREQUAL "UTILITY" AND NOT deps AND NOT t MATCHES "_autogen")
      list(APPEND found ${t})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    orlavo_collect_utility_targets(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
function(orlavo_write_generated_targets)
  orlavo_collect_utility_targets(${PROJECT_SOURCE_DIR} targets)
  list(JOIN targets "\n" text)
  file(WRITE ${CMAKE_BINARY_DIR}/generated-targets.txt "${text}\n")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL orlavo_write_generated_targets)
