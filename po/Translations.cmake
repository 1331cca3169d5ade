# The game's words in other languages: po/<code>.po, one per code in
# po/LINGUAS, compiled by msgfmt into sys/locale/<code>/LC_MESSAGES/molfo.mo
# beside the program, where the game looks for them. msgfmt --check refuses
# a translation whose %d or %s do not match the Japanese.
#
# `cmake --build build --target molfo-pot` writes po/molfo.pot from the
# sources (every text marked N_("...")) and the words drawn into pictures
# (see tools/assetgen/Assets.cmake), and merges it into every .po, for a
# translator to fill in what is new.

find_program(MOLFO_MSGFMT msgfmt REQUIRED)
find_program(MOLFO_XGETTEXT xgettext)
find_program(MOLFO_MSGMERGE msgmerge)
find_program(MOLFO_MSGCMP msgcmp)

file(STRINGS ${CMAKE_SOURCE_DIR}/po/LINGUAS MOLFO_LINGUAS REGEX "^[a-zA-Z_]+$")
set(MOLFO_MO_FILES "")
foreach(code IN LISTS MOLFO_LINGUAS)
  set(mo ${CMAKE_BINARY_DIR}/sys/locale/${code}/LC_MESSAGES/molfo.mo)
  add_custom_command(OUTPUT ${mo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/sys/locale/${code}/LC_MESSAGES
    COMMAND ${MOLFO_MSGFMT} --check -o ${mo} ${CMAKE_SOURCE_DIR}/po/${code}.po
    DEPENDS ${CMAKE_SOURCE_DIR}/po/${code}.po
    COMMENT "Compiling sys/locale/${code}/LC_MESSAGES/molfo.mo" VERBATIM)
  list(APPEND MOLFO_MO_FILES ${mo})
endforeach()
add_custom_target(translations ALL DEPENDS ${MOLFO_MO_FILES})
add_dependencies(molfo translations)
# The codes --language accepts besides auto and the game's own ja.
list(JOIN MOLFO_LINGUAS "," MOLFO_LINGUAS_TEXT)
target_compile_definitions(molfo PRIVATE MOLFO_LANGUAGES="${MOLFO_LINGUAS_TEXT}")

# The sources xgettext reads: every file of the game that can show a text.
file(GLOB_RECURSE MOLFO_I18N_SOURCES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h)
list(SORT MOLFO_I18N_SOURCES)
set(MOLFO_XGETTEXT_ARGS --from-code=UTF-8 --language=C++ --keyword=N_ --package-name=molfo
  --add-comments=TRANSLATORS --sort-output)
find_program(MOLFO_MSGCAT msgcat)
if(MOLFO_XGETTEXT AND MOLFO_MSGMERGE AND MOLFO_MSGCAT AND TARGET assetgen)
  set(merge "")
  foreach(code IN LISTS MOLFO_LINGUAS)
    list(APPEND merge COMMAND ${MOLFO_MSGMERGE} --quiet --update --backup=none --no-location
      ${CMAKE_SOURCE_DIR}/po/${code}.po ${CMAKE_SOURCE_DIR}/po/molfo.pot)
  endforeach()
  # The words drawn into the pictures join the sources' texts.
  add_custom_target(molfo-pot
    COMMAND ${MOLFO_XGETTEXT} ${MOLFO_XGETTEXT_ARGS} -o ${CMAKE_BINARY_DIR}/sources.pot ${MOLFO_I18N_SOURCES}
    COMMAND sh po/pictures-pot.sh ${CMAKE_BINARY_DIR}/picture-words.sh $<TARGET_FILE:assetgen>
      ${CMAKE_BINARY_DIR}/pictures.pot
    COMMAND ${MOLFO_MSGCAT} --sort-output -o po/molfo.pot ${CMAKE_BINARY_DIR}/sources.pot ${CMAKE_BINARY_DIR}/pictures.pot
    ${merge}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    COMMENT "Extracting the game's texts into po/molfo.pot" VERBATIM)
endif()
