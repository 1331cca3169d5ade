# Builds the sys/ folder beside the program from the text sources in assets/:
# SVG art rasterised and composed by assetgen, ABC songs compiled by abc2midi,
# effect recipes run through sox. Each file has its own rule, so an edit
# rebuilds only the files made from the source that changed.

pkg_check_modules(RSVG REQUIRED IMPORTED_TARGET librsvg-2.0 cairo)
find_package(JPEG REQUIRED)
find_program(MOLFO_ABC2MIDI abc2midi REQUIRED)
find_program(MOLFO_SOX sox REQUIRED)

# The game's own catalog reader draws the pictures' words in other languages.
file(GLOB MOLFO_ASSETGEN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/assetgen/*.cpp)
add_executable(assetgen ${MOLFO_ASSETGEN_SOURCES} ${CMAKE_SOURCE_DIR}/src/i18n/Catalog.cpp
  ${CMAKE_SOURCE_DIR}/src/core/ReadFile.cpp ${CMAKE_SOURCE_DIR}/src/core/Printable.cpp)
target_include_directories(assetgen PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(assetgen PRIVATE PkgConfig::RSVG JPEG::JPEG)

set(MOLFO_SYS ${CMAKE_BINARY_DIR}/sys)
set(MOLFO_ART ${CMAKE_SOURCE_DIR}/assets/art)
set(MOLFO_SONGS ${CMAKE_SOURCE_DIR}/assets/music)
set(MOLFO_SFX ${CMAKE_SOURCE_DIR}/assets/sfx)
file(MAKE_DIRECTORY ${MOLFO_SYS} ${MOLFO_SYS}/ending)
set(MOLFO_ASSET_FILES "")

# A sprite sheet: each cell is "file.svg@X,Y,W,H,FRAMES" (see assetgen.cpp).
function(molfo_sheet out format w h)
  set(cells "")
  set(deps "")
  foreach(cell IN LISTS ARGN)
    string(REGEX MATCH "^[^@]+" svg "${cell}")
    list(APPEND cells ${MOLFO_ART}/${cell})
    list(APPEND deps ${MOLFO_ART}/${svg})
    # The contact sheet reads the built sheet back at the same cell.
    get_filename_component(name "${svg}" NAME_WE)
    string(REGEX MATCH "@.*$" at "${cell}")
    set_property(GLOBAL APPEND PROPERTY MOLFO_CONTACT_ROWS "${name}=${MOLFO_SYS}/${out}${at}")
    set_property(GLOBAL APPEND PROPERTY MOLFO_CONTACT_DEPS ${MOLFO_SYS}/${out})
  endforeach()
  add_custom_command(OUTPUT ${MOLFO_SYS}/${out}
    COMMAND assetgen sheet ${MOLFO_SYS}/${out} ${format} ${w} ${h} ${cells}
    DEPENDS assetgen ${deps} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Drawing sys/${out}" VERBATIM)
  set(MOLFO_ASSET_FILES ${MOLFO_ASSET_FILES} ${MOLFO_SYS}/${out} PARENT_SCOPE)
endfunction()

# A whole picture drawn over white; extra arguments go to assetgen as they are.
# MOLFO_PICTURE_EXTRA_DEPS lists the other SVGs the picture draws from.
function(molfo_picture out format w h svg)
  add_custom_command(OUTPUT ${MOLFO_SYS}/${out}
    COMMAND assetgen picture ${MOLFO_SYS}/${out} ${format} ${w} ${h} ${MOLFO_ART}/${svg} ${ARGN}
    DEPENDS assetgen ${MOLFO_ART}/${svg} ${MOLFO_PICTURE_EXTRA_DEPS} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Drawing sys/${out}" VERBATIM)
  set(MOLFO_ASSET_FILES ${MOLFO_ASSET_FILES} ${MOLFO_SYS}/${out} PARENT_SCOPE)
endfunction()

# Pictures with words are drawn again for every language of po/LINGUAS, into
# sys/<code>/ under the same names, with the words from that language's
# catalog; the game shows the player's language's picture where there is one.
file(STRINGS ${CMAKE_SOURCE_DIR}/po/LINGUAS MOLFO_PICTURE_LANGUAGES REGEX "^[a-zA-Z_]+$")
# picture-words.sh ASSETGEN [--words MO] lists the Japanese words of every
# such picture (those the catalog lacks, given one): the translations' test
# and the molfo-pot target read it.
set(MOLFO_PICTURE_WORDS ${CMAKE_BINARY_DIR}/picture-words.sh)
file(WRITE ${MOLFO_PICTURE_WORDS} "#!/bin/sh\nset -e\na=$1\nshift\n")

# The words check for one picture: its SVG and its -D values, quoted for sh.
function(molfo_picture_words svg)
  set(line "\"$a\" words '${svg}' \"$@\"")
  set(take FALSE)
  foreach(arg IN LISTS ARGN)
    if(take)
      string(REPLACE "'" "'\\''" arg "${arg}")
      string(APPEND line " -D '${arg}'")
      set(take FALSE)
    elseif(arg STREQUAL "-D")
      set(take TRUE)
    endif()
  endforeach()
  file(APPEND ${MOLFO_PICTURE_WORDS} "${line}\n")
endfunction()

# molfo_picture, and its twin in every other language.
function(molfo_worded_picture out format w h svg)
  molfo_picture(${out} ${format} ${w} ${h} ${svg} ${ARGN})
  molfo_picture_words(${MOLFO_ART}/${svg} ${ARGN})
  foreach(code IN LISTS MOLFO_PICTURE_LANGUAGES)
    set(mo ${MOLFO_SYS}/locale/${code}/LC_MESSAGES/molfo.mo)
    get_filename_component(dir ${MOLFO_SYS}/${code}/${out} DIRECTORY)
    add_custom_command(OUTPUT ${MOLFO_SYS}/${code}/${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND assetgen picture ${MOLFO_SYS}/${code}/${out} ${format} ${w} ${h} ${MOLFO_ART}/${svg} ${ARGN} --words ${mo}
      DEPENDS assetgen ${MOLFO_ART}/${svg} ${mo} ${MOLFO_PICTURE_EXTRA_DEPS} ${CMAKE_CURRENT_LIST_FILE}
      COMMENT "Drawing sys/${code}/${out}" VERBATIM)
    list(APPEND MOLFO_ASSET_FILES ${MOLFO_SYS}/${code}/${out})
  endforeach()
  set(MOLFO_ASSET_FILES ${MOLFO_ASSET_FILES} PARENT_SCOPE)
endfunction()

# A one-cell sheet with words, and its twin in every other language.
function(molfo_worded_sheet out format w h cell)
  molfo_sheet(${out} ${format} ${w} ${h} ${cell})
  string(REGEX MATCH "^[^@]+" svg "${cell}")
  molfo_picture_words(${MOLFO_ART}/${svg})
  foreach(code IN LISTS MOLFO_PICTURE_LANGUAGES)
    set(mo ${MOLFO_SYS}/locale/${code}/LC_MESSAGES/molfo.mo)
    add_custom_command(OUTPUT ${MOLFO_SYS}/${code}/${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${MOLFO_SYS}/${code}
      COMMAND assetgen sheet ${MOLFO_SYS}/${code}/${out} ${format} ${w} ${h} ${MOLFO_ART}/${cell} --words ${mo}
      DEPENDS assetgen ${MOLFO_ART}/${svg} ${mo} ${CMAKE_CURRENT_LIST_FILE}
      COMMENT "Drawing sys/${code}/${out}" VERBATIM)
    list(APPEND MOLFO_ASSET_FILES ${MOLFO_SYS}/${code}/${out})
  endforeach()
  set(MOLFO_ASSET_FILES ${MOLFO_ASSET_FILES} PARENT_SCOPE)
endfunction()

# --- the window's own sheets and icons ---

# Sheet 0: the shot, the player and the five special attacks.
molfo_sheet(kyarapic0.bmp bmp24 482 277
  sprites/shot.svg@0,0,20,20,4
  sprites/molfo.svg@0,21,50,50,4
  sprites/sp1-cross.svg@0,72,30,30,4
  sprites/sp2-ring.svg@0,103,30,30,4
  sprites/sp3-spark.svg@0,134,30,30,4
  sprites/sp4-fire.svg@0,165,60,80,4
  sprites/sp5-spiral.svg@0,246,30,30,4)

# Sheet 1: the fourteen small enemies, at the rows of the enemy type table.
molfo_sheet(kyarapic1.bmp bmp8 483 539
  enemies/zako01-fly.svg@0,0,30,30,4
  enemies/zako02-mosquito.svg@0,31,30,30,4
  enemies/zako03-ladybird.svg@0,62,30,20,4
  enemies/zako04-dragonfly.svg@0,83,30,20,4
  enemies/zako05-damselfly.svg@0,104,30,20,4
  enemies/zako06-hornet.svg@0,125,40,50,4
  enemies/zako07-moth.svg@0,176,50,40,4
  enemies/zako08-spider.svg@0,217,60,60,4
  enemies/zako09-ant.svg@0,278,30,30,4
  enemies/zako10-mantis.svg@0,309,45,50,4
  enemies/zako11-cicada.svg@0,360,40,40,4
  enemies/zako12-locust.svg@0,401,50,40,4
  enemies/zako13-caterpillar.svg@0,442,30,60,4
  enemies/zako14-firefly.svg@0,503,40,30,4)

# Sheet 3: the enemy bullet.
molfo_sheet(kyarapic3.bmp bmp24 80 10 sprites/bullet.svg@0,0,10,10,4)

# Sheet 4: the twelve items, one frame each, at the item table's cells.
molfo_sheet(kyarapic4.jpg jpg 200 250
  items/item01-cross.svg@0,0,25,25,1
  items/item02-ring.svg@50,0,25,25,1
  items/item03-spark.svg@100,0,25,25,1
  items/item04-fire.svg@150,0,25,25,1
  items/item05-spiral.svg@0,25,25,25,1
  items/item06-bomb.svg@50,25,25,25,1
  items/item07-leaf.svg@0,50,50,50,1
  items/item08-apple.svg@100,50,50,50,1
  items/item09-melon.svg@0,100,50,50,1
  items/item10-honey.svg@100,100,50,50,1
  items/item11-peach.svg@0,150,50,50,1
  items/item12-royaljelly.svg@0,200,80,50,1)

# The icons of the usable items: the same drawings at 30 x 30.
set(MOLFO_ICON_SOURCES item01-cross item02-ring item03-spark item04-fire item05-spiral item06-bomb)
foreach(i RANGE 1 6)
  math(EXPR idx "${i} - 1")
  list(GET MOLFO_ICON_SOURCES ${idx} src)
  # The icons sit on the window's grey, not on a sprite sheet's white.
  molfo_picture(itempic${i}.bmp bmp24 30 30 items/${src}.svg --background D4D0C8)
endforeach()

# --- pictures the game names ---

molfo_worded_picture(title.bmp bmp24 500 500 screens/title.svg)
# The maps wrap themselves layer by layer (see the SVGs): wrapping the whole
# picture at once would lay a later copy's shapes over earlier layers at the
# edges and show the order change as a seam.
foreach(n RANGE 1 5)
  molfo_picture(mainmap${n}.JPG jpg 500 500 maps/mainmap${n}.svg)
endforeach()

# Bosses: three frames of picture and mask, KyaraHaba x KyaraTakasa each.
molfo_sheet(hati.JPG jpg 666 107 bosses/hati.svg@0,0,111,107,3)
molfo_sheet(jigabati.JPG jpg 1512 270 bosses/jigabati.svg@0,0,252,270,3)
molfo_sheet(kuwagata.JPG jpg 1104 258 bosses/kuwagata.svg@0,0,184,258,3)
molfo_sheet(kabutomusi.JPG jpg 1236 315 bosses/kabutomusi.svg@0,0,206,315,3)
molfo_sheet(gifucho.JPG jpg 2862 291 bosses/gifucho.svg@0,0,477,291,3)

# The game-over banner with its mask.
molfo_worded_sheet(gameover.bmp bmp24 1000 75 screens/gameover.svg@0,0,500,75,1)

# The ending: one template, one scene and caption per picture.
include(${CMAKE_SOURCE_DIR}/assets/art/ending/Ending.cmake)

# Every sprite frame of the sheets above at 2x on a checkerboard, named, for
# looking the art over: build/contact-sheet.png.
get_property(MOLFO_CONTACT_ROWS GLOBAL PROPERTY MOLFO_CONTACT_ROWS)
get_property(MOLFO_CONTACT_DEPS GLOBAL PROPERTY MOLFO_CONTACT_DEPS)
list(REMOVE_DUPLICATES MOLFO_CONTACT_DEPS)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/contact-sheet.png
  COMMAND assetgen contact ${CMAKE_BINARY_DIR}/contact-sheet.png ${MOLFO_CONTACT_ROWS}
  DEPENDS assetgen ${MOLFO_CONTACT_DEPS}
  COMMENT "Drawing contact-sheet.png" VERBATIM)
list(APPEND MOLFO_ASSET_FILES ${CMAKE_BINARY_DIR}/contact-sheet.png)

# --- songs ---

set(MOLFO_SONG_NAMES opening suteji1 suteji2 suteji3 suteji4 suteji5
  boss1 boss2 boss3 boss4 boss5 ending gameover)
foreach(song IN LISTS MOLFO_SONG_NAMES)
  add_custom_command(OUTPUT ${MOLFO_SYS}/${song}.mid
    COMMAND ${MOLFO_ABC2MIDI} ${MOLFO_SONGS}/${song}.abc 1 -silent -o ${MOLFO_SYS}/${song}.mid
    DEPENDS ${MOLFO_SONGS}/${song}.abc
    COMMENT "Compiling sys/${song}.mid" VERBATIM)
  list(APPEND MOLFO_ASSET_FILES ${MOLFO_SYS}/${song}.mid)
endforeach()

# --- effects ---

set(MOLFO_EFFECT_NAMES molfoko dameji molfokousen kurosu ringbariya supaku faiya
  supairaru bom zakoko hit bosstoujou bossko sutejistart sutejikuria itemget)
foreach(fx IN LISTS MOLFO_EFFECT_NAMES)
  add_custom_command(OUTPUT ${MOLFO_SYS}/${fx}.wav
    COMMAND ${CMAKE_COMMAND} -E env SOX=${MOLFO_SOX}
      sh ${MOLFO_SFX}/${fx}.sh ${MOLFO_SYS}/${fx}.wav
    DEPENDS ${MOLFO_SFX}/${fx}.sh ${MOLFO_SFX}/common.sh
    COMMENT "Synthesising sys/${fx}.wav" VERBATIM)
  list(APPEND MOLFO_ASSET_FILES ${MOLFO_SYS}/${fx}.wav)
endforeach()

add_custom_target(assets ALL DEPENDS ${MOLFO_ASSET_FILES})
# The pictures in other languages read the compiled catalogs.
add_dependencies(assets translations)
add_dependencies(molfo assets)
