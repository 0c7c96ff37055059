# The portable folder: `cmake --install BUILD [--prefix DIR]` makes DIR a complete
# Darvell that runs wherever it is moved, and CPack packs the same layout as
# Darvell-<version>-Linux-x86_64.tar.gz with the top folder Darvell-<version>/.
# The Debian package (below) holds the same program folder.
#
#   darvell, darvell-check      the program and the data-directory checker
#   darvell_team.so             the team history server's connection (libpq), loaded on first use
#   QL7_Tool/                   the sample texts and the bitmaps drawn at build time
#   icons/darvell-<size>.png    the program's icon
#   darvell.desktop             desktop entry (program found through PATH)
#   install-desktop-entry.sh    writes a desktop entry with this folder's paths
#   README.md
#   server/darvell-team.sql     the plant history's PostgreSQL schema, for the administrator

# Without --prefix, the folder is laid out inside the build folder.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/Darvell-${PROJECT_VERSION} CACHE PATH
    "Where cmake --install lays out the portable folder" FORCE)
endif()

# Qt comes from the system. The installed programs keep CMake's default of no
# install RPATH, so nothing points into the build tree (scripts/e2e-package.sh checks).

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
  return()
endif()

# Two layouts of the same program folder: the portable folder above (component
# portable, the default install and the archive), and the Debian package
# (component system, only installed by name), under /usr:
#
#   lib/darvell/                     the program folder: darvell, darvell-check, darvell_team.so, QL7_Tool/
#   bin/darvell                      a link to lib/darvell/darvell
#   share/applications/darvell.desktop
#   share/icons/hicolor/<n>x<n>/apps/darvell.png
#   share/doc/darvell/               copyright, changelog.gz
#   share/man/man1/darvell.1.gz
#   share/darvell/darvell-team.sql
foreach(layout portable system)
  if(layout STREQUAL portable)
    set(dir .)
    set(only_by_name "")
  else()
    set(dir lib/darvell)
    set(only_by_name EXCLUDE_FROM_ALL)
  endif()
  install(TARGETS darvell darvell-check RUNTIME DESTINATION ${dir} COMPONENT ${layout} ${only_by_name})
  # Beside the program, where it looks for it; the package's libpq5 dependency comes from it.
  install(TARGETS darvell_team LIBRARY DESTINATION ${dir} COMPONENT ${layout} ${only_by_name})
  # The committed text files, not the build's copies (the built program may have
  # rewritten Setting.ini), and the bitmaps the build drew.
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/res/QL7_Tool DESTINATION ${dir} COMPONENT ${layout} ${only_by_name})
  install(DIRECTORY ${DARVELL_DATA_DIR} DESTINATION ${dir} COMPONENT ${layout} ${only_by_name}
    FILES_MATCHING PATTERN "*.bmp")
endforeach()

install(DIRECTORY ${CMAKE_BINARY_DIR}/icons DESTINATION . COMPONENT portable FILES_MATCHING PATTERN "darvell-*.png")
install(FILES ${CMAKE_SOURCE_DIR}/res/linux/darvell.desktop ${CMAKE_SOURCE_DIR}/README.md
  DESTINATION . COMPONENT portable)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/res/linux/install-desktop-entry.sh DESTINATION . COMPONENT portable)
install(FILES ${CMAKE_SOURCE_DIR}/server/darvell-team.sql DESTINATION server COMPONENT portable)
install(FILES ${CMAKE_SOURCE_DIR}/server/darvell-team.sql DESTINATION share/darvell COMPONENT system EXCLUDE_FROM_ALL)

set(DARVELL_DEB_DIR ${CMAKE_BINARY_DIR}/deb)
file(MAKE_DIRECTORY ${DARVELL_DEB_DIR})
file(CREATE_LINK ../lib/darvell/darvell ${DARVELL_DEB_DIR}/darvell SYMBOLIC)
configure_file(${CMAKE_SOURCE_DIR}/res/debian/changelog.in ${DARVELL_DEB_DIR}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/debian/darvell.1 ${DARVELL_DEB_DIR}/darvell.1 COPYONLY)
execute_process(COMMAND gzip -9nf ${DARVELL_DEB_DIR}/changelog ${DARVELL_DEB_DIR}/darvell.1 COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${DARVELL_DEB_DIR}/darvell DESTINATION bin COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/res/linux/darvell.desktop DESTINATION share/applications
  COMPONENT system EXCLUDE_FROM_ALL)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_BINARY_DIR}/icons/darvell-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
    RENAME darvell.png COMPONENT system EXCLUDE_FROM_ALL)
endforeach()
install(FILES ${DARVELL_DEB_DIR}/darvell.1.gz DESTINATION share/man/man1 COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/res/debian/copyright ${DARVELL_DEB_DIR}/changelog.gz DESTINATION share/doc/darvell
  COMPONENT system EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME Darvell)
set(CPACK_PACKAGE_VENDOR Darvell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Offline troubleshooting assistant for safety light curtains")
# The archive's name says the system; the folder inside it only the version.
set(CPACK_PACKAGE_FILE_NAME Darvell-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /Darvell-${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The Debian package (cpack -G DEB): the system component under /usr, chosen in
# PackageLayouts.cmake. Its libraries' packages come from dpkg-shlibdeps; the
# faces and Qt's translations are what the program needs besides.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageLayouts.cmake)
set(CPACK_DEBIAN_PACKAGE_NAME darvell)
set(CPACK_DEBIAN_FILE_NAME darvell_${PROJECT_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Darvell <darvell@example.com>")
# The summary is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The maintenance person reads the code on each unit's digital error indicator
of a safety light curtain (up to three emitter/receiver units in series) and
enters it; Darvell lists the possible causes with their remedies beside a
picture of the units' blinking indicator lamps. Chinese and English. It never
talks to the device.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, fonts-wqy-microhei, qt6-translations-l10n")
include(CPack)
