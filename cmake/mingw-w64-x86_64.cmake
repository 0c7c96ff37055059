# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(DARVELL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DARVELL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DARVELL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${DARVELL_MINGW}-windres)
# Libraries and packages come from MinGW's tree and from the prefixes given
# (the Qt for Windows that scripts/qt-windows.sh installs).
set(CMAKE_FIND_ROOT_PATH /usr/${DARVELL_MINGW} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
