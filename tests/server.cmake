# molfo-server's tests (tests/server/): its parts alone, then real servers on
# 127.0.0.1 with real SQLite files and a throwaway PostgreSQL cluster, the
# game's own headless program as the verifier.
file(GLOB MOLFO_SERVER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/server/*.cpp)
add_executable(molfo_server_tests ${MOLFO_SERVER_TEST_SOURCES})
target_include_directories(molfo_server_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/server)
target_link_libraries(molfo_server_tests PRIVATE molfo_server_lib GTest::gtest GTest::gtest_main)
target_compile_definitions(molfo_server_tests PRIVATE MOLFO_TEST_DATA_DIR="${CMAKE_BINARY_DIR}"
  MOLFO_SERVER_BIN="$<TARGET_FILE:molfo-server>" MOLFO_GAME_BIN="$<TARGET_FILE:molfo>")
if(MOLFO_SANITIZE)
  # The sanitizers reserve more address space than a verifier may have.
  target_compile_definitions(molfo_server_tests PRIVATE MOLFO_TEST_SANITIZED)
endif()
add_dependencies(molfo_server_tests molfo-server molfo)
# Its parts alone are unit tests; the rest start real servers and databases.
gtest_discover_tests(molfo_server_tests TEST_FILTER "ServerParts.*" DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
gtest_discover_tests(molfo_server_tests TEST_FILTER "-ServerParts.*" DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS server TIMEOUT 600)

# Its manual page and --help describe the same options.
add_test(NAME Package.ServerManPage
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/package/manpage.sh $<TARGET_FILE:molfo-server> ${CMAKE_BINARY_DIR}/dist/molfo-server.8)
set_tests_properties(Package.ServerManPage PROPERTIES LABELS package)
