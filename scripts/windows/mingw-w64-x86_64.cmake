# CMake toolchain for 64-bit Windows with Debian's MinGW-w64, used to build the
# Windows Qt from source (a copy sits at the root of that Qt's prefix, where it
# finds the prefix by its own location) and then the program against it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
if(NOT DEFINED MINGW_QT_PREFIX AND EXISTS "${CMAKE_CURRENT_LIST_DIR}/lib/cmake/Qt6/Qt6Config.cmake")
    set(MINGW_QT_PREFIX "${CMAKE_CURRENT_LIST_DIR}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_QT_PREFIX)

# Qt needs the posix thread model, whose std::thread and std::mutex are complete;
# the unsuffixed names follow update-alternatives and may be the win32 model.
find_program(CMAKE_C_COMPILER NAMES ${MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
if(MINGW_QT_PREFIX)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${MINGW_QT_PREFIX})
    list(APPEND CMAKE_PREFIX_PATH ${MINGW_QT_PREFIX})
endif()
# Host tools (moc, rcc, uic) come from the build machine, everything else from the Windows trees.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
