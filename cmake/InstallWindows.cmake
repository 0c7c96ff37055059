# The Windows folder, packed by `cpack -G ZIP` as Darvell-<version>-Windows-x64.zip
# with the top folder Darvell-<version>/:
#
#   darvell.exe, darvell-check.exe   the program and the data-directory checker
#   *.dll                            the Qt and MinGW runtime DLLs they import
#   platforms/qwindows.dll           Qt's platform plugin, and styles/ its style
#   QL7_Tool/                        the sample texts and the bitmaps drawn at build time
#   qtbase_zh_CN.qm                  Qt's own texts in Chinese
#   README.md, licenses/             the licence texts of what ships beside our code
#   server/darvell-team.sql          the plant history's PostgreSQL schema, for the administrator
#   libpq.dll, libssl-3-x64.dll,     PostgreSQL's client library and the OpenSSL it
#   libcrypto-3-x64.dll              speaks TLS through, when their cache is found,
#   darvell_team.dll                 and the team connection module built on them
#
# Qt's plugins are loaded, not imported: they are installed by name, and every
# DLL that the programs and the plugins import, and those DLLs in turn, is
# found in Qt's bin/ folder or MinGW's runtime folders and installed beside
# the program. What is found in neither is the system's own and stays out.
# libpq and OpenSSL, from their own cache, ship whole, with what they import.
get_target_property(DARVELL_QT_CORE_DLL Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(DARVELL_QT_BIN ${DARVELL_QT_CORE_DLL} DIRECTORY)
get_filename_component(DARVELL_QT_PREFIX ${DARVELL_QT_BIN} DIRECTORY)

# The dependency scan names DLLs in lower case, as Windows compares them, and
# looks for them by that name: on this file system the search folder is a
# folder of lower-case links to the DLLs of Qt and of MinGW's runtime.
set(DARVELL_DLL_LINKS ${CMAKE_BINARY_DIR}/runtime-dll-links)
file(REMOVE_RECURSE ${DARVELL_DLL_LINKS})
file(MAKE_DIRECTORY ${DARVELL_DLL_LINKS})
file(GLOB DARVELL_SHIPPABLE_DLLS ${DARVELL_QT_BIN}/*.dll
  /usr/lib/gcc/x86_64-w64-mingw32/*-posix/*.dll /usr/x86_64-w64-mingw32/lib/*.dll ${DARVELL_PQ_DLLS})
foreach(dll ${DARVELL_SHIPPABLE_DLLS})
  get_filename_component(name ${dll} NAME)
  string(TOLOWER ${name} lower)
  if(NOT EXISTS ${DARVELL_DLL_LINKS}/${lower})
    file(CREATE_LINK ${dll} ${DARVELL_DLL_LINKS}/${lower} SYMBOLIC)
  endif()
endforeach()

install(TARGETS darvell darvell-check RUNTIME DESTINATION .)
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsIntegrationPlugin LIBRARY DESTINATION platforms)
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsVistaStylePlugin LIBRARY DESTINATION styles)
install(FILES ${DARVELL_PQ_DLLS} DESTINATION .)
# The team connection module, built where libpq is: loaded by name from here.
if(TARGET darvell_team)
  install(TARGETS darvell_team LIBRARY DESTINATION .)
  list(APPEND DARVELL_PQ_DLLS $<TARGET_FILE:darvell_team>)
endif()
list(TRANSFORM DARVELL_PQ_DLLS PREPEND "\"" OUTPUT_VARIABLE DARVELL_PQ_MODULES)
list(TRANSFORM DARVELL_PQ_MODULES APPEND "\"")
list(JOIN DARVELL_PQ_MODULES " " DARVELL_PQ_MODULES)
install(CODE "
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${CMAKE_OBJDUMP}\")
  file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES \"$<TARGET_FILE:darvell>\" \"$<TARGET_FILE:darvell-check>\"
    MODULES \"$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>\" \"$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>\"
      ${DARVELL_PQ_MODULES}
    DIRECTORIES \"${DARVELL_DLL_LINKS}\"
    PRE_EXCLUDE_REGEXES \"^api-ms-\" \"^ext-ms-\"
    RESOLVED_DEPENDENCIES_VAR links
    UNRESOLVED_DEPENDENCIES_VAR system_dlls)
  list(SORT system_dlls)
  message(STATUS \"The system's own DLLs, not shipped: \${system_dlls}\")
  set(shipped)
  foreach(link \${links})
    file(REAL_PATH \${link} dll)
    file(INSTALL \${dll} DESTINATION \"\${CMAKE_INSTALL_PREFIX}\")
    get_filename_component(name \${dll} NAME)
    list(APPEND shipped \"\${CMAKE_INSTALL_PREFIX}/\${name}\")
  endforeach()
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB plugins \"\${CMAKE_INSTALL_PREFIX}/platforms/*.dll\" \"\${CMAKE_INSTALL_PREFIX}/styles/*.dll\")
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \${shipped} \${plugins} COMMAND_ERROR_IS_FATAL ANY)
  endif()
")

install(DIRECTORY ${CMAKE_SOURCE_DIR}/res/QL7_Tool DESTINATION .)
install(DIRECTORY ${DARVELL_DATA_DIR} DESTINATION . FILES_MATCHING PATTERN "*.bmp")
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/server/darvell-team.sql DESTINATION server)
# Qt's own Chinese texts (file dialogs, standard buttons), which the program
# loads from beside itself: the catalogue of Debian's qt6-translations-l10n,
# the same Qt version, since a catalogue is the same file on every system.
set(DARVELL_QT_CATALOGUE /usr/share/qt6/translations/qtbase_zh_CN.qm)
if(NOT EXISTS ${DARVELL_QT_CATALOGUE})
  message(FATAL_ERROR "${DARVELL_QT_CATALOGUE} is missing: install qt6-translations-l10n (scripts/deps.sh lists it)")
endif()
install(FILES ${DARVELL_QT_CATALOGUE} DESTINATION .)

# The licences: Qt's texts and Debian copyright file from the Qt for Windows
# cache (scripts/qt-windows.sh puts them there), the compiler runtime's from
# Debian's MinGW packages, and a README naming which is which.
set(DARVELL_QT_SOURCE_PACKAGE "")
if(EXISTS ${DARVELL_QT_PREFIX}/licenses/qt6-base.source)
  file(STRINGS ${DARVELL_QT_PREFIX}/licenses/qt6-base.source DARVELL_QT_SOURCE_PACKAGE LIMIT_COUNT 1)
endif()
set(DARVELL_PQ_LICENSES "")
if(DARVELL_PQ_WINDOWS)
  set(DARVELL_PQ_LICENSES "- libpq, PostgreSQL's client library (libpq.dll), under the PostgreSQL
  licence (postgresql.COPYRIGHT.txt, postgresql-15.copyright), and OpenSSL
  (libssl-3-x64.dll, libcrypto-3-x64.dll), under the Apache License 2.0
  (openssl.LICENSE.txt, openssl.copyright): built from Debian's source
  packages postgresql-15 and openssl (postgresql-15.source and openssl.source
  name their versions).
")
endif()
configure_file(${CMAKE_SOURCE_DIR}/res/windows/licenses-README.txt.in
  ${CMAKE_BINARY_DIR}/licenses/README.txt @ONLY NEWLINE_STYLE UNIX)
install(DIRECTORY ${DARVELL_QT_PREFIX}/licenses/ DESTINATION licenses)
install(FILES ${CMAKE_BINARY_DIR}/licenses/README.txt DESTINATION licenses)
# SQLite is linked into the program; its terms travel with it all the same.
install(DIRECTORY ${DARVELL_SQLITE_WINDOWS}/licenses/ DESTINATION licenses)
if(DARVELL_PQ_WINDOWS)
  install(DIRECTORY ${DARVELL_PQ_WINDOWS}/licenses/ DESTINATION licenses)
endif()
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses RENAME gcc-runtime.copyright)
install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright DESTINATION licenses RENAME mingw-w64.copyright)
install(FILES /usr/share/doc/qt6-translations-l10n/copyright DESTINATION licenses
  RENAME qt6-translations.copyright)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Darvell)
set(CPACK_PACKAGE_VENDOR Darvell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Darvell-${PROJECT_VERSION}-Windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /Darvell-${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
