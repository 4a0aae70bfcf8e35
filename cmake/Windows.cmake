# The Windows build (cross-built with mingw-w64 against a static Qt, see
# scripts/windows/build.sh): each program is one .exe that imports only
# Windows' own DLLs.

# The program's icon is a Windows resource.
enable_language(RC)

# The C and C++ runtimes go into the programs, not beside them.
add_link_options(-static -static-libgcc -static-libstdc++)
# Release programs go without their symbols (a tenth of the size).
add_link_options($<$<CONFIG:Release>:-s>)

# SQLite from its amalgamation (scripts/windows/sqlite.sh makes it from
# Debian's sqlite3 source package), compiled in as a static library.
set(TW_SQLITE_SOURCE_DIR "" CACHE PATH "Folder holding SQLite's amalgamation (sqlite3.c, sqlite3.h)")
if(NOT EXISTS "${TW_SQLITE_SOURCE_DIR}/sqlite3.c" OR NOT EXISTS "${TW_SQLITE_SOURCE_DIR}/sqlite3.h")
  message(FATAL_ERROR "The Windows build compiles SQLite from its amalgamation: set TW_SQLITE_SOURCE_DIR to a "
                      "folder holding sqlite3.c and sqlite3.h (scripts/windows/sqlite.sh makes one).")
endif()
add_library(tw_sqlite3 STATIC "${TW_SQLITE_SOURCE_DIR}/sqlite3.c")
target_include_directories(tw_sqlite3 SYSTEM PUBLIC "${TW_SQLITE_SOURCE_DIR}")
# Debian's libsqlite3 allows as many parameters per statement; nothing here loads extensions.
target_compile_definitions(tw_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_MAX_VARIABLE_NUMBER=250000
                                              SQLITE_OMIT_LOAD_EXTENSION SQLITE_WIN32_NO_ANSI)
# Its code is not ours: our warnings are not its.
target_compile_options(tw_sqlite3 PRIVATE -w)
add_library(SQLite::SQLite3 ALIAS tw_sqlite3)

# tw_import_qt_plugins(TARGET): the platform plugins a static Qt program needs
# (Windows' own; the offscreen one for tests and runs without a screen) and
# the native widget style.
function(tw_import_qt_plugins target)
  qt_import_plugins(${target}
    INCLUDE Qt6::QWindowsIntegrationPlugin Qt6::QOffscreenIntegrationPlugin Qt6::QWindowsVistaStylePlugin)
endfunction()

# The tests run under Wine: CTest starts each through this wrapper, which gives
# QtTest its output file and prints it.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/windows/wine-qtest.sh")
endif()
