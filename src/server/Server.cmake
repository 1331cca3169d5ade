# molfo-server, the online table: a second program, never linked into the
# game. It reads recordings only with the replay reader and checks names with
# the ranking's code; the game itself runs only in its verifier processes.
pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
find_package(OpenSSL REQUIRED)

file(GLOB MOLFO_SERVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/server/*.cpp)
list(FILTER MOLFO_SERVER_SOURCES EXCLUDE REGEX "/Main\\.cpp$")
add_library(molfo_server_lib STATIC ${MOLFO_SERVER_SOURCES})
target_link_libraries(molfo_server_lib PUBLIC molfo_lib PkgConfig::CPPHTTPLIB PkgConfig::SQLITE3 PkgConfig::LIBPQ
  OpenSSL::Crypto CLI11::CLI11 Threads::Threads)

add_executable(molfo-server ${CMAKE_SOURCE_DIR}/src/server/Main.cpp)
target_link_libraries(molfo-server PRIVATE molfo_server_lib)
# The game's library brings SDL along for the window; the server calls none of it.
target_link_options(molfo-server PRIVATE -Wl,--as-needed)

# Its manual page, dated as the game's (dist/Install.cmake).
configure_file(${CMAKE_SOURCE_DIR}/dist/molfo-server.8.in ${CMAKE_BINARY_DIR}/dist/molfo-server.8 @ONLY)

# The load that scripts/measure-server puts on it (loopback only, bounded).
add_executable(server_load ${CMAKE_SOURCE_DIR}/bench/server_load.cpp)
target_link_libraries(server_load PRIVATE molfo_server_lib)
set_target_properties(server_load PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
