# Every text the sources mark for translation (N_("...")) has a translation
# in every po/<code>.po, checked with gettext's own tools: xgettext extracts
# the marked texts, msgcmp names any that a .po lacks or leaves empty or fuzzy.
if(MOLFO_XGETTEXT AND MOLFO_MSGCMP)
  set(MOLFO_I18N_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/i18n_check.sh)
  add_test(NAME I18n.EveryMarkedTextIsTranslated
    COMMAND sh ${MOLFO_I18N_SCRIPT} ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/i18n-check
      ${MOLFO_XGETTEXT} ${MOLFO_MSGCMP} ${MOLFO_LINGUAS} -- ${MOLFO_I18N_SOURCES})
  set_tests_properties(I18n.EveryMarkedTextIsTranslated PROPERTIES LABELS unit TIMEOUT 60)
endif()

# Every Japanese word drawn into a picture (the title, the banner, the
# ending) has a translation in every catalog, so the pictures drawn for
# another language hold no Japanese left over.
if(TARGET assetgen)
  foreach(code IN LISTS MOLFO_LINGUAS)
    add_test(NAME I18n.EveryPictureWordIsTranslated.${code}
      COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/scripts/picture_words_check.sh ${MOLFO_PICTURE_WORDS}
        $<TARGET_FILE:assetgen> ${CMAKE_BINARY_DIR}/sys/locale/${code}/LC_MESSAGES/molfo.mo ${code})
    set_tests_properties(I18n.EveryPictureWordIsTranslated.${code} PROPERTIES LABELS unit TIMEOUT 60)
  endforeach()
endif()
