# The page's data and the page itself (included by Web.cmake): the desktop
# build's sys/ with each song rendered to Ogg Vorbis and each JPEG's coding
# tightened without touching a pixel, the fonts cut down to the characters
# the game can show, then web/pack.py lays out build-web/page. Only Debian's
# tools: fluidsynth, vorbis-tools, libjpeg-turbo-progs, fonttools, brotli.
set(MOLFO_SOUNDFONT /usr/share/sounds/sf2/TimGM6mb.sf2 CACHE FILEPATH "soundfont the songs are rendered with")
set(MOLFO_FONT /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf CACHE FILEPATH "the label font")
set(MOLFO_FIXED_FONT /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf CACHE FILEPATH "the printed ranking's font")
get_filename_component(MOLFO_DESKTOP_DIR "${MOLFO_SYS_DIR}" DIRECTORY)
set(MOLFO_DESKTOP "${MOLFO_DESKTOP_DIR}/molfo" CACHE FILEPATH "the desktop program beside sys/, which checks the page's data")
set(MOLFO_ASSETGEN "${MOLFO_DESKTOP_DIR}/assetgen" CACHE FILEPATH "the desktop build's assetgen, which draws the page's icons")
find_program(FLUIDSYNTH fluidsynth REQUIRED)
find_program(OGGENC oggenc REQUIRED)
find_program(MOLFO_JPEGTRAN jpegtran REQUIRED)
find_program(MOLFO_PYFTSUBSET pyftsubset REQUIRED)
# pyftsubset's own interpreter runs the page's scripts too: Debian's python3.
find_program(MOLFO_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
find_program(MOLFO_BROTLI brotli)
if(NOT MOLFO_BROTLI)
  set(MOLFO_BROTLI "")
endif()
set(MOLFO_ROOT ${MOLFO_STAGE}/root)

# The songs, rendered with the window's soundfont. 32 kHz loses nothing of
# a soundfont whose samples go no higher, and with Vorbis's quality 0 the
# songs are a third smaller than at 44.1 kHz and quality 1.
file(GLOB MOLFO_SONGS CONFIGURE_DEPENDS ${MOLFO_SYS_DIR}/*.mid)
set(MOLFO_OGGS)
foreach(mid ${MOLFO_SONGS})
  get_filename_component(name ${mid} NAME_WE)
  set(ogg ${MOLFO_STAGE}/songs/${name}.ogg)
  add_custom_command(OUTPUT ${ogg}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MOLFO_STAGE}/songs
    COMMAND ${FLUIDSYNTH} -ni -q -g 0.2 -r 44100 -F ${MOLFO_STAGE}/songs/${name}.wav ${MOLFO_SOUNDFONT} ${mid}
    COMMAND ${OGGENC} -Q -q 0 --resample 32000 -o ${ogg} ${MOLFO_STAGE}/songs/${name}.wav
    COMMAND ${CMAKE_COMMAND} -E rm -f ${MOLFO_STAGE}/songs/${name}.wav
    DEPENDS ${mid} VERBATIM)
  list(APPEND MOLFO_OGGS ${ogg})
endforeach()

# The fonts: the label font with the characters of the game's own words in
# both languages, for the title; the label font and the ranking's font with
# every character of CP932 besides, which is what a name may hold. The
# glyphs are the fonts' own, so they draw the same pixels.
file(GLOB_RECURSE MOLFO_WORD_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h
  ${CMAKE_SOURCE_DIR}/po/*.po)
set(MOLFO_CHARS ${MOLFO_STAGE}/fonts/words.txt)
set(MOLFO_NAME_CHARS ${MOLFO_STAGE}/fonts/names.txt)
set(MOLFO_SUBSET --no-hinting --layout-features= --notdef-outline)
add_custom_command(OUTPUT ${MOLFO_STAGE}/fonts/stamp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MOLFO_STAGE}/fonts
  COMMAND ${MOLFO_PYTHON} ${CMAKE_SOURCE_DIR}/web/font_chars.py ${MOLFO_CHARS} ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/po
  COMMAND ${MOLFO_PYTHON} ${CMAKE_SOURCE_DIR}/web/font_chars.py ${MOLFO_NAME_CHARS} --names ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/po
  COMMAND ${MOLFO_PYFTSUBSET} ${MOLFO_FONT} --text-file=${MOLFO_CHARS} ${MOLFO_SUBSET} --output-file=${MOLFO_STAGE}/fonts/label-words.ttf
  COMMAND ${MOLFO_PYFTSUBSET} ${MOLFO_FONT} --text-file=${MOLFO_NAME_CHARS} ${MOLFO_SUBSET} --output-file=${MOLFO_STAGE}/fonts/label-names.ttf
  COMMAND ${MOLFO_PYFTSUBSET} ${MOLFO_FIXED_FONT} --text-file=${MOLFO_NAME_CHARS} ${MOLFO_SUBSET} --output-file=${MOLFO_STAGE}/fonts/fixed-names.ttf
  COMMAND ${CMAKE_COMMAND} -E touch ${MOLFO_STAGE}/fonts/stamp
  DEPENDS ${MOLFO_WORD_SOURCES} ${CMAKE_SOURCE_DIR}/web/font_chars.py ${MOLFO_FONT} ${MOLFO_FIXED_FONT} VERBATIM)

# The icons of the page and of the installed app, from the desktop's icon.
set(MOLFO_ICONS ${MOLFO_STAGE}/icons)
add_custom_command(OUTPUT ${MOLFO_ICONS}/stamp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MOLFO_ICONS}
  COMMAND ${MOLFO_ASSETGEN} icon ${MOLFO_ICONS}/icon-192.png 192 ${CMAKE_SOURCE_DIR}/dist/molfo.svg
  COMMAND ${MOLFO_ASSETGEN} icon ${MOLFO_ICONS}/icon-512.png 512 ${CMAKE_SOURCE_DIR}/dist/molfo.svg
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/dist/molfo.svg ${MOLFO_ICONS}/icon.svg
  COMMAND ${CMAKE_COMMAND} -E touch ${MOLFO_ICONS}/stamp
  DEPENDS ${CMAKE_SOURCE_DIR}/dist/molfo.svg VERBATIM)

# The program's file system: every file of sys/ (the English pictures and
# the catalogs among them, so a picture or a language added to the desktop
# build reaches the page), the songs beside their MIDI files, the fonts
# where the game looks for them. The desktop program then checks it as it
# checks its own sys/ at start, which the page does not do.
file(GLOB_RECURSE MOLFO_SYS_FILES CONFIGURE_DEPENDS ${MOLFO_SYS_DIR}/*)
list(FILTER MOLFO_SYS_FILES EXCLUDE REGEX "/rank\\.hms$")
set(MOLFO_FONT_DIR ${MOLFO_ROOT}/usr/share/fonts/opentype/ipafont-gothic)
add_custom_command(OUTPUT ${MOLFO_STAGE}/root.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${MOLFO_ROOT}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${MOLFO_SYS_DIR} ${MOLFO_ROOT}/data/sys
  COMMAND ${CMAKE_COMMAND} -E rm -f ${MOLFO_ROOT}/data/sys/rank.hms
  COMMAND ${CMAKE_COMMAND} -E copy ${MOLFO_OGGS} ${MOLFO_ROOT}/data/sys/
  COMMAND ${MOLFO_PYTHON} ${CMAKE_SOURCE_DIR}/web/tighten_jpegs.py ${MOLFO_JPEGTRAN} ${MOLFO_ROOT}/data/sys
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MOLFO_FONT_DIR} ${MOLFO_ROOT}/data/fonts
  COMMAND ${CMAKE_COMMAND} -E copy ${MOLFO_STAGE}/fonts/label-words.ttf ${MOLFO_FONT_DIR}/ipagp.ttf
  COMMAND ${CMAKE_COMMAND} -E copy ${MOLFO_STAGE}/fonts/fixed-names.ttf ${MOLFO_FONT_DIR}/ipag.ttf
  COMMAND ${CMAKE_COMMAND} -E copy ${MOLFO_STAGE}/fonts/label-names.ttf ${MOLFO_ROOT}/data/fonts/ipagp.ttf
  COMMAND ${MOLFO_DESKTOP} --headless --frames 1 --mute --data-dir ${MOLFO_ROOT}/data
  COMMAND ${CMAKE_COMMAND} -E touch ${MOLFO_STAGE}/root.stamp
  DEPENDS ${MOLFO_OGGS} ${MOLFO_SONGS} ${MOLFO_SYS_FILES} ${MOLFO_STAGE}/fonts/stamp
    ${CMAKE_SOURCE_DIR}/web/tighten_jpegs.py VERBATIM)

# The page.
set(MOLFO_WEB_FILES index.html sw.js manifest.webmanifest loader.js touch.js help.js online.js watch.js page.js pack.py
  about.html notices.txt)
list(TRANSFORM MOLFO_WEB_FILES PREPEND ${CMAKE_SOURCE_DIR}/web/)
# The notices the About panel links to: what the page holds and under which
# licence (web/notices.txt), then each licence's text in the order it names
# them.
set(MOLFO_NOTICES ${CMAKE_SOURCE_DIR}/web/notices.txt ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/assets/LICENSE
  ${CMAKE_SOURCE_DIR}/dist/licences/IPA-1.0.txt ${CMAKE_SOURCE_DIR}/dist/licences/stb-public-domain.txt
  /usr/share/common-licenses/GPL-2)
add_custom_command(OUTPUT ${MOLFO_STAGE}/page.stamp
  COMMAND ${MOLFO_PYTHON} ${CMAKE_SOURCE_DIR}/web/pack.py --root ${MOLFO_ROOT} --program ${MOLFO_STAGE}/program
    --web ${CMAKE_SOURCE_DIR}/web --icons ${MOLFO_ICONS} --out ${MOLFO_PAGE} --brotli "${MOLFO_BROTLI}"
    --notices ${MOLFO_NOTICES}
  COMMAND ${CMAKE_COMMAND} -E touch ${MOLFO_STAGE}/page.stamp
  DEPENDS molfo ${MOLFO_STAGE}/root.stamp ${MOLFO_ICONS}/stamp ${MOLFO_WEB_FILES} ${MOLFO_NOTICES} VERBATIM)
add_custom_target(molfo_page ALL DEPENDS ${MOLFO_STAGE}/page.stamp)
