# The Debian package and what comes with it (tests/package/*.sh): the
# manual page against --help, the AppStream metadata and desktop entry, the
# package itself installed into a scratch root and removed again, and
# lintian on it. Each is skipped (exit 77) when its tools are missing.

set(MOLFO_PACKAGE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/package)
set(MOLFO_PACKAGE_WORK ${CMAKE_CURRENT_BINARY_DIR}/package)

add_test(NAME Package.ManPage
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/manpage.sh $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR}/dist/molfo.6)

add_test(NAME Package.Metadata
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/metadata.sh ${CMAKE_BINARY_DIR}/dist/io.github.molfo.metainfo.xml
    ${CMAKE_SOURCE_DIR}/dist/molfo.desktop)

add_test(NAME Package.Deb
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/deb.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR} ${MOLFO_PACKAGE_WORK}
    ${PROJECT_VERSION})
set_tests_properties(Package.Deb PROPERTIES FIXTURES_SETUP molfo_deb TIMEOUT 180)

add_test(NAME Package.Lintian COMMAND sh ${MOLFO_PACKAGE_TESTS}/lintian.sh ${MOLFO_PACKAGE_WORK})
set_tests_properties(Package.Lintian PROPERTIES FIXTURES_REQUIRED molfo_deb TIMEOUT 180)

set_tests_properties(Package.Metadata Package.Deb Package.Lintian PROPERTIES SKIP_RETURN_CODE 77)
set_tests_properties(Package.ManPage Package.Metadata Package.Deb Package.Lintian PROPERTIES LABELS package)
