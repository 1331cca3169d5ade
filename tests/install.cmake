# The installed game: `cmake --install` into a scratch prefix, then the
# installed program, run headless from an unrelated folder, must find its
# data in that prefix and play 100 frames; moved to another prefix as a
# whole, it still must.

set(MOLFO_INSTALL_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/scripts/install_run.sh)

add_test(NAME Install.HeadlessRun
  COMMAND sh ${MOLFO_INSTALL_SCRIPT} ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/install-run)
set_tests_properties(Install.HeadlessRun PROPERTIES LABELS package TIMEOUT 60)
