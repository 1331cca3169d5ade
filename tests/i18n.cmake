# Every text the sources mark for translation (N_("...")) has a translation
# in every po/<code>.po, checked with gettext's own tools: xgettext extracts
# the marked texts, msgcmp names any that a .po lacks or leaves empty or fuzzy.
if(MOLFO_XGETTEXT AND MOLFO_MSGCMP)
  set(MOLFO_I18N_SCRIPT ${CMAKE_CURRENT_BINARY_DIR}/i18n_check.sh)
  file(WRITE ${MOLFO_I18N_SCRIPT} [=[#!/bin/sh
# i18n_check.sh SOURCEDIR WORKDIR XGETTEXT MSGCMP CODE... -- SOURCE...
set -u
src=$1 work=$2 xgettext=$3 msgcmp=$4
shift 4
codes=""
while [ "$1" != "--" ]; do codes="$codes $1"; shift; done
shift
mkdir -p "$work"
cd "$src" || exit 1
"$xgettext" --from-code=UTF-8 --language=C++ --keyword=N_ -o "$work/molfo.pot" "$@" 2>"$work/xgettext.err" || {
    cat "$work/xgettext.err" >&2; echo "FAIL: xgettext could not read the sources" >&2; exit 1; }
grep -q '^msgid "..*"' "$work/molfo.pot" || { echo "FAIL: no marked text found in the sources" >&2; exit 1; }
status=0
for code in $codes; do
    LC_ALL=C.UTF-8 "$msgcmp" "po/$code.po" "$work/molfo.pot" || {
        echo "FAIL: po/$code.po must translate every text the game shows (above: the ones it lacks)" >&2; status=1; }
done
exit $status
]=])
  add_test(NAME I18n.EveryMarkedTextIsTranslated
    COMMAND sh ${MOLFO_I18N_SCRIPT} ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/i18n-check
      ${MOLFO_XGETTEXT} ${MOLFO_MSGCMP} ${MOLFO_LINGUAS} -- ${MOLFO_I18N_SOURCES})
  set_tests_properties(I18n.EveryMarkedTextIsTranslated PROPERTIES TIMEOUT 60)
endif()

# Every Japanese word drawn into a picture (the title, the banner, the
# ending) has a translation in every catalog, so the pictures drawn for
# another language hold no Japanese left over.
if(TARGET assetgen)
  foreach(code IN LISTS MOLFO_LINGUAS)
    add_test(NAME I18n.EveryPictureWordIsTranslated.${code}
      COMMAND sh -c "left=$(sh \"$0\" \"$1\" --words \"$2\") || exit 1; [ -z \"$left\" ] && exit 0; \
echo \"FAIL: po/${code}.po must translate every word drawn into a picture; it lacks:\" >&2; echo \"$left\" >&2; exit 1"
        ${MOLFO_PICTURE_WORDS} $<TARGET_FILE:assetgen> ${CMAKE_BINARY_DIR}/sys/locale/${code}/LC_MESSAGES/molfo.mo)
    set_tests_properties(I18n.EveryPictureWordIsTranslated.${code} PROPERTIES TIMEOUT 60)
  endforeach()
endif()
