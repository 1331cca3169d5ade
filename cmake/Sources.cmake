# The game's sources, for every build: the desktop (CMakeLists.txt) and the
# page (web/Web.cmake) take their lists from here, and the few files that
# need flags of their own get them here, once.
#
# Adding a source: a .cpp in a folder listed below joins every build of that
# folder at the next build; nothing to edit. A new folder of src/ goes in one
# of the lists below (and in the README's Layers list, which LayersTest
# reads); a folder with a CMake file of its own (say src/server/Server.cmake)
# builds itself and is left out. Configuring stops on a folder with sources
# that is in no list, rather than leave its code out of the build unseen.
#
# Gives:
#   MOLFO_SOURCES          the game library, on every back end
#   MOLFO_DESKTOP_SOURCES  the desktop library's alone (the headless driver,
#                          the online table's client, the settings file,
#                          Linux's signals, zlib's deflate)
#   MOLFO_SDL_SOURCES      the window's back end (SDL), with app/main.cpp
#   MOLFO_WEB_SOURCES      the browser's back end, with app/web_main.cpp

set(MOLFO_SRC ${CMAKE_CURRENT_LIST_DIR}/../src)
get_filename_component(MOLFO_SRC ${MOLFO_SRC} ABSOLUTE)

# Each folder is taken without its subfolders: platform/ holds the interfaces
# and platform/headless the headless twin, but platform/sdl and platform/web
# are back ends.
set(MOLFO_LIBRARY_FOLDERS core world game draw render player collision items enemies movement boss screens sound
  i18n settings replay platform platform/headless)
# The desktop's part of the library: the headless driver and its JSON dump
# (nlohmann-json), the online table's client (libcurl; the page speaks to
# its table with fetch), the settings file and its editing in place
# (toml++), the replay's clean-up on Linux's signals (platform/web has the
# page's twin).
set(MOLFO_DESKTOP_FOLDERS driver online)
set(MOLFO_DESKTOP_FILES replay/SignalCleanup.cpp settings/SettingsFile.cpp settings/SettingsEdit.cpp)
# The programs' own folders, each built by one program.
set(MOLFO_PROGRAM_FOLDERS app platform/sdl platform/web)

function(molfo_glob out)
  set(files "")
  foreach(folder IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${MOLFO_SRC}/${folder}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()

molfo_glob(MOLFO_SOURCES ${MOLFO_LIBRARY_FOLDERS})
list(TRANSFORM MOLFO_DESKTOP_FILES PREPEND ${MOLFO_SRC}/)
list(REMOVE_ITEM MOLFO_SOURCES ${MOLFO_DESKTOP_FILES})
# stb's decoders and rasteriser: one translation unit for every build.
list(APPEND MOLFO_SOURCES ${MOLFO_SRC}/render/StbImpl.c)

molfo_glob(MOLFO_DESKTOP_SOURCES ${MOLFO_DESKTOP_FOLDERS})
list(APPEND MOLFO_DESKTOP_SOURCES ${MOLFO_DESKTOP_FILES})
# Screenshots packed by zlib on the desktop; the browser has no zlib and keeps
# stb's own deflate.
list(APPEND MOLFO_DESKTOP_SOURCES ${MOLFO_SRC}/render/PngDeflate.c)

molfo_glob(MOLFO_SDL_SOURCES platform/sdl)
list(APPEND MOLFO_SDL_SOURCES ${MOLFO_SRC}/app/main.cpp)
molfo_glob(MOLFO_WEB_SOURCES platform/web)
list(APPEND MOLFO_WEB_SOURCES ${MOLFO_SRC}/app/web_main.cpp)

# Flags for the targets made in the top folder, where this file is included.
# A fused multiply-add in one build and none in another would shade a
# glyph's edge or turn an angle differently: stb and the game's
# trigonometry (see Trig.h) give the same bits everywhere. stb's own code is
# not ours to warn about.
set_source_files_properties(${MOLFO_SRC}/render/StbImpl.c PROPERTIES COMPILE_OPTIONS "-ffp-contract=off;-w")
set_source_files_properties(${MOLFO_SRC}/core/Trig.cpp PROPERTIES COMPILE_OPTIONS "-ffp-contract=off")
if(NOT EMSCRIPTEN)
  set_source_files_properties(${MOLFO_SRC}/render/StbImpl.c PROPERTIES
    COMPILE_DEFINITIONS "STBIW_ZLIB_COMPRESS=molfo_png_deflate")
endif()

# Every folder of src/ with sources is in one list, or has a CMake file.
file(GLOB_RECURSE MOLFO_ALL_SOURCES CONFIGURE_DEPENDS RELATIVE ${MOLFO_SRC} ${MOLFO_SRC}/*.cpp ${MOLFO_SRC}/*.c)
set(MOLFO_UNLISTED "")
foreach(f IN LISTS MOLFO_ALL_SOURCES)
  get_filename_component(folder ${f} DIRECTORY)
  if(folder IN_LIST MOLFO_LIBRARY_FOLDERS OR folder IN_LIST MOLFO_DESKTOP_FOLDERS
     OR folder IN_LIST MOLFO_PROGRAM_FOLDERS)
    continue()
  endif()
  # A folder (or one above it) that builds itself.
  set(own FALSE)
  set(up ${folder})
  while(up AND NOT own)
    file(GLOB cmake_files ${MOLFO_SRC}/${up}/*.cmake ${MOLFO_SRC}/${up}/CMakeLists.txt)
    if(cmake_files)
      set(own TRUE)
    endif()
    get_filename_component(up "${up}" DIRECTORY)
  endwhile()
  if(NOT own)
    list(APPEND MOLFO_UNLISTED src/${folder})
  endif()
endforeach()
if(MOLFO_UNLISTED)
  list(REMOVE_DUPLICATES MOLFO_UNLISTED)
  message(FATAL_ERROR "cmake/Sources.cmake: ${MOLFO_UNLISTED} in no list: add the folder to the library, "
    "the desktop's or a program's folders there (and to the README's Layers list)")
endif()
