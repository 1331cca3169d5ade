# The Debian packages and what comes with them (tests/package/*.sh): the
# manual page against --help, the AppStream metadata and desktop entry, the
# game's package and the server's installed into scratch roots and removed
# again, the server run under its systemd unit, the licences, and lintian
# on both. Each is skipped (exit 77) when its tools are missing.

set(MOLFO_PACKAGE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/package)
set(MOLFO_PACKAGE_WORK ${CMAKE_CURRENT_BINARY_DIR}/package)

add_test(NAME Package.ManPage
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/manpage.sh $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR}/dist/molfo.6)

# The libraries the game loads only when it needs them are not linked.
add_test(NAME Package.LoadedOnDemand
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/loaded.sh $<TARGET_FILE:molfo> ${CMAKE_SOURCE_DIR}/dist/molfo.dlopen)

add_test(NAME Package.Metadata
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/metadata.sh ${CMAKE_BINARY_DIR}/dist/io.github.molfo.metainfo.xml
    ${CMAKE_SOURCE_DIR}/dist/molfo.desktop)

# CPack makes both packages here, the server's with the browser page when
# it was built (compressing the page takes most of the time).
add_test(NAME Package.Deb
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/deb.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR} ${MOLFO_PACKAGE_WORK}
    ${PROJECT_VERSION} ${CMAKE_SOURCE_DIR}/dist/molfo.dlopen)
set_tests_properties(Package.Deb PROPERTIES FIXTURES_SETUP molfo_deb TIMEOUT 900)

# The server's package: its files and unit, installed beside the game; then
# run by a systemd of the test's own under that unit.
add_test(NAME Package.ServerDeb
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/server-deb.sh ${MOLFO_PACKAGE_WORK} ${PROJECT_VERSION} ${MOLFO_WEB_PAGE})
add_test(NAME Package.ServerSandbox
  COMMAND sh ${MOLFO_PACKAGE_TESTS}/server-sandbox.sh ${MOLFO_PACKAGE_WORK} ${PROJECT_VERSION})
# The licences in both packages and in the page.
add_test(NAME Package.Notices COMMAND sh ${MOLFO_PACKAGE_TESTS}/notices.sh ${MOLFO_PACKAGE_WORK} ${PROJECT_VERSION}
  ${CMAKE_SOURCE_DIR}/dist/molfo.dlopen)

add_test(NAME Package.Lintian COMMAND sh ${MOLFO_PACKAGE_TESTS}/lintian.sh ${MOLFO_PACKAGE_WORK})
set(MOLFO_DEB_CHECKS Package.ServerDeb Package.ServerSandbox Package.Notices Package.Lintian)
# A sanitizer build is never shipped: its programs need the sanitizer's
# runtime, which no copyright names, and which the unit's sandbox does not
# let the server start with.
if(MOLFO_SANITIZE)
  set_tests_properties(Package.ServerSandbox Package.Notices PROPERTIES DISABLED TRUE)
endif()
set_tests_properties(${MOLFO_DEB_CHECKS} PROPERTIES FIXTURES_REQUIRED molfo_deb TIMEOUT 300)
# One at a time: lintian alone keeps both cores busy, and the sandbox's
# waits are for a server, not for the machine.
set_tests_properties(Package.Deb ${MOLFO_DEB_CHECKS} PROPERTIES RESOURCE_LOCK molfo_package_work)

set_tests_properties(Package.LoadedOnDemand Package.Metadata Package.Deb ${MOLFO_DEB_CHECKS} PROPERTIES
  SKIP_RETURN_CODE 77)
set_tests_properties(Package.ManPage Package.LoadedOnDemand Package.Metadata Package.Deb ${MOLFO_DEB_CHECKS}
  PROPERTIES LABELS package)
