# The browser build (emcmake cmake -S . -B build-web -DMOLFO_SYS_DIR=build/sys):
# the game library and the web back end to WebAssembly, the data packed
# with the songs rendered to Ogg Vorbis, and the page, all in build-web/page.
# Only Debian's emscripten, fluidsynth and vorbis-tools: nothing downloaded.
set(MOLFO_SYS_DIR "" CACHE PATH "the sys/ folder built by the desktop build (its assetgen)")
set(MOLFO_SOUNDFONT /usr/share/sounds/sf2/TimGM6mb.sf2 CACHE FILEPATH "soundfont the songs are rendered with")
set(MOLFO_FONT /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf CACHE FILEPATH "the label font")
set(MOLFO_FIXED_FONT /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf CACHE FILEPATH "the printed ranking's font")
if(NOT IS_DIRECTORY "${MOLFO_SYS_DIR}")
  message(FATAL_ERROR "MOLFO_SYS_DIR must name the desktop build's sys/ folder (make web sets it)")
endif()
get_filename_component(MOLFO_SYS_DIR "${MOLFO_SYS_DIR}" ABSOLUTE)
find_program(FLUIDSYNTH fluidsynth REQUIRED)
find_program(OGGENC oggenc REQUIRED)

# The host's header-only libraries, without the rest of /usr/include, which
# is glibc's and not for WebAssembly.
set(MOLFO_HOST_INC ${CMAKE_BINARY_DIR}/hostinc)
file(MAKE_DIRECTORY ${MOLFO_HOST_INC})
file(CREATE_LINK /usr/include/stb ${MOLFO_HOST_INC}/stb SYMBOLIC)

# The headless driver and its JSON dump stay on the desktop.
file(GLOB_RECURSE MOLFO_WEB_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/core/*.cpp ${CMAKE_SOURCE_DIR}/src/world/*.cpp ${CMAKE_SOURCE_DIR}/src/game/*.cpp
  ${CMAKE_SOURCE_DIR}/src/draw/*.cpp ${CMAKE_SOURCE_DIR}/src/render/*.cpp ${CMAKE_SOURCE_DIR}/src/player/*.cpp
  ${CMAKE_SOURCE_DIR}/src/collision/*.cpp ${CMAKE_SOURCE_DIR}/src/items/*.cpp ${CMAKE_SOURCE_DIR}/src/enemies/*.cpp
  ${CMAKE_SOURCE_DIR}/src/movement/*.cpp ${CMAKE_SOURCE_DIR}/src/boss/*.cpp ${CMAKE_SOURCE_DIR}/src/screens/*.cpp
  ${CMAKE_SOURCE_DIR}/src/sound/*.cpp ${CMAKE_SOURCE_DIR}/src/replay/*.cpp
  ${CMAKE_SOURCE_DIR}/src/i18n/*.cpp ${CMAKE_SOURCE_DIR}/src/settings/*.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/headless/*.cpp ${CMAKE_SOURCE_DIR}/src/platform/web/*.cpp)
list(APPEND MOLFO_WEB_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/LocalTime.cpp)
# Signals are Linux's; platform/web has the page's twin. The page keeps no
# settings file, so toml++ stays on the desktop.
list(REMOVE_ITEM MOLFO_WEB_SOURCES ${CMAKE_SOURCE_DIR}/src/replay/SignalCleanup.cpp
  ${CMAKE_SOURCE_DIR}/src/settings/SettingsFile.cpp ${CMAKE_SOURCE_DIR}/src/settings/SettingsEdit.cpp)
set(MOLFO_WEB_JS ${CMAKE_SOURCE_DIR}/src/platform/web/library_molfo.js)
set(MOLFO_PAGE ${CMAKE_BINARY_DIR}/page)
set(MOLFO_STAGE ${CMAKE_BINARY_DIR}/stage)

add_executable(molfo ${CMAKE_SOURCE_DIR}/src/app/web_main.cpp ${MOLFO_WEB_SOURCES}
  ${CMAKE_SOURCE_DIR}/src/render/StbImpl.c)
target_include_directories(molfo PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_include_directories(molfo SYSTEM PRIVATE ${MOLFO_HOST_INC}/stb)
target_compile_definitions(molfo PRIVATE MOLFO_VERSION="${PROJECT_VERSION}")
target_compile_options(molfo PRIVATE -O2 -Wno-unknown-warning-option)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/render/StbImpl.c PROPERTIES COMPILE_OPTIONS "-ffp-contract=off;-w")
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/core/Trig.cpp PROPERTIES COMPILE_OPTIONS "-ffp-contract=off")
set_target_properties(molfo PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${MOLFO_PAGE})
set(MOLFO_ASYNC_IMPORTS "['molfo_sleep','molfo_yield','molfo_rank_lock','molfo_rank_unlock','molfo_hold']")
target_link_options(molfo PRIVATE -O2
  -sASYNCIFY "-sASYNCIFY_IMPORTS=${MOLFO_ASYNC_IMPORTS}" -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 -sENVIRONMENT=web -sFORCE_FILESYSTEM=1 -lidbfs.js
  "-sEXPORTED_RUNTIME_METHODS=['FS','IDBFS','addRunDependency','removeRunDependency']"
  "SHELL:--js-library ${MOLFO_WEB_JS}"
  "SHELL:--preload-file ${MOLFO_STAGE}/data@/data"
  # The fonts at the paths where the desktop finds them, so the library
  # opens the same files in both.
  "SHELL:--preload-file ${MOLFO_FONT}@${MOLFO_FONT}"
  "SHELL:--preload-file ${MOLFO_FIXED_FONT}@${MOLFO_FIXED_FONT}")
set_property(TARGET molfo APPEND PROPERTY LINK_DEPENDS ${MOLFO_WEB_JS} ${MOLFO_STAGE}/stamp)

# The data: pictures, effects and MIDI files as they are (the asset check
# reads them), and each song rendered with the window's soundfont.
file(GLOB MOLFO_SONGS CONFIGURE_DEPENDS ${MOLFO_SYS_DIR}/*.mid)
set(MOLFO_OGGS)
foreach(mid ${MOLFO_SONGS})
  get_filename_component(name ${mid} NAME_WE)
  set(ogg ${MOLFO_STAGE}/songs/${name}.ogg)
  add_custom_command(OUTPUT ${ogg}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MOLFO_STAGE}/songs
    COMMAND ${FLUIDSYNTH} -ni -q -g 0.2 -r 44100 -F ${MOLFO_STAGE}/songs/${name}.wav ${MOLFO_SOUNDFONT} ${mid}
    COMMAND ${OGGENC} -Q -q 1 -o ${ogg} ${MOLFO_STAGE}/songs/${name}.wav
    COMMAND ${CMAKE_COMMAND} -E rm -f ${MOLFO_STAGE}/songs/${name}.wav
    DEPENDS ${mid} VERBATIM)
  list(APPEND MOLFO_OGGS ${ogg})
endforeach()
# Every file of sys/ (the English pictures and the catalogs among them), so
# that a picture or a language added to the desktop build reaches the page.
file(GLOB_RECURSE MOLFO_SYS_FILES CONFIGURE_DEPENDS ${MOLFO_SYS_DIR}/*)
list(FILTER MOLFO_SYS_FILES EXCLUDE REGEX "/rank\\.hms$")
add_custom_command(OUTPUT ${MOLFO_STAGE}/stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${MOLFO_STAGE}/data
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${MOLFO_SYS_DIR} ${MOLFO_STAGE}/data/sys
  COMMAND ${CMAKE_COMMAND} -E rm -f ${MOLFO_STAGE}/data/sys/rank.hms
  COMMAND ${CMAKE_COMMAND} -E copy ${MOLFO_OGGS} ${MOLFO_STAGE}/data/sys/
  COMMAND ${CMAKE_COMMAND} -E touch ${MOLFO_STAGE}/stamp
  DEPENDS ${MOLFO_OGGS} ${MOLFO_SONGS} ${MOLFO_SYS_FILES} VERBATIM)
add_custom_target(molfo_data DEPENDS ${MOLFO_STAGE}/stamp)
add_dependencies(molfo molfo_data)

# The page around the program.
foreach(f index.html page.js)
  configure_file(${CMAKE_SOURCE_DIR}/web/${f} ${MOLFO_PAGE}/${f} COPYONLY)
endforeach()
