# The browser tests: the page built by `make web`, served on the loopback and
# driven in the system's Chromium and Firefox ESR by puppeteer-core (tests/web). They are
# skipped, saying why, only when Node, Chromium, the npm packages or the page
# are missing; `make test` installs and builds all of them first.
set(MOLFO_WEB_PAGE ${CMAKE_SOURCE_DIR}/build-web/page CACHE PATH "the page built by make web")

add_executable(molfo_title_shot ${CMAKE_CURRENT_SOURCE_DIR}/web/title_shot.cpp)
target_link_libraries(molfo_title_shot PRIVATE molfo_lib)

find_program(MOLFO_NODE node)
# The same tests in each browser: Chromium through the DevTools protocol,
# Firefox ESR through WebDriver BiDi.
foreach(browser chromium firefox)
  add_test(NAME Web.Browser.${browser}
    COMMAND ${CMAKE_COMMAND} -E env
      MOLFO_PAGE=${MOLFO_WEB_PAGE} MOLFO_BIN=$<TARGET_FILE:molfo> MOLFO_DATA=${CMAKE_BINARY_DIR}
      MOLFO_TITLE_SHOT=$<TARGET_FILE:molfo_title_shot> MOLFO_GOLDEN=${CMAKE_SOURCE_DIR}/tests/golden/stage1-loss.rec
      MOLFO_NODE=${MOLFO_NODE} MOLFO_BROWSER=${browser}
      sh ${CMAKE_CURRENT_SOURCE_DIR}/web/run.sh)
  set_tests_properties(Web.Browser.${browser} PROPERTIES LABELS "browser;slow" SKIP_RETURN_CODE 77 TIMEOUT 1200
    RUN_SERIAL TRUE)
endforeach()

# The page served by a real molfo-server (tests/web/online.test.mjs): games
# sent from the page, verified and watched, in Chromium.
add_test(NAME Web.Online.chromium
  COMMAND ${CMAKE_COMMAND} -E env
    MOLFO_PAGE=${MOLFO_WEB_PAGE} MOLFO_BIN=$<TARGET_FILE:molfo> MOLFO_SERVER=$<TARGET_FILE:molfo-server>
    MOLFO_DATA=${CMAKE_BINARY_DIR} MOLFO_NODE=${MOLFO_NODE} MOLFO_BROWSER=chromium MOLFO_WEB_TEST=online.test.mjs
    sh ${CMAKE_CURRENT_SOURCE_DIR}/web/run.sh)
set_tests_properties(Web.Online.chromium PROPERTIES LABELS "browser;slow" SKIP_RETURN_CODE 77 TIMEOUT 1200
  RUN_SERIAL TRUE)
# See tests/online.cmake: a sanitizer build's verifier needs its address space.
if(MOLFO_SANITIZE)
  set_property(TEST Web.Online.chromium APPEND PROPERTY ENVIRONMENT MOLFO_VERIFY_MEMORY=0)
endif()
