# The portable folder: `cmake --install BUILD [--prefix DIR]` makes DIR a complete
# Darvell that runs wherever it is moved, and CPack packs the same layout as
# Darvell-<version>-Linux-x86_64.tar.gz with the top folder Darvell-<version>/.
#
#   darvell, darvell-check      the program and the data-directory checker
#   QL7_Tool/                   the sample texts and the bitmaps drawn at build time
#   icons/darvell-<size>.png    the program's icon
#   darvell.desktop             desktop entry (program found through PATH)
#   install-desktop-entry.sh    writes a desktop entry with this folder's paths
#   README.md

# Without --prefix, the folder is laid out inside the build folder.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/Darvell-${PROJECT_VERSION} CACHE PATH
    "Where cmake --install lays out the portable folder" FORCE)
endif()

# Qt comes from the system. The installed programs keep CMake's default of no
# install RPATH, so nothing points into the build tree (scripts/e2e-package.sh checks).

if(NOT WIN32)
  install(TARGETS darvell darvell-check RUNTIME DESTINATION .)
endif()
# The committed text files, not the build's copies (the built program may have
# rewritten Setting.ini), and the bitmaps the build drew.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/res/QL7_Tool DESTINATION .)
install(DIRECTORY ${DARVELL_DATA_DIR} DESTINATION . FILES_MATCHING PATTERN "*.bmp")
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
  return()
endif()
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons DESTINATION . FILES_MATCHING PATTERN "darvell-*.png")
install(FILES ${CMAKE_SOURCE_DIR}/res/linux/darvell.desktop ${CMAKE_SOURCE_DIR}/README.md
  DESTINATION .)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/res/linux/install-desktop-entry.sh DESTINATION .)

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
include(CPack)
