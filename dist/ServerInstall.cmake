# molfo-server's Debian package (component "server", installed only for
# dist/Package.cmake): the program in /usr/sbin, a systemd unit that runs
# it sandboxed on loopback, its options in /etc/default/molfo-server, the
# manual page, the browser page for /play/, and the package's copyright
# and changelog. It verifies runs with the molfo package's /usr/games/molfo.
#
# The page is built by `make web` into build-web/page (MOLFO_WEB_PAGE names
# another folder); `make package` builds it first. When it is not there the
# package is made without it, and says so as it is made: its server then
# serves no /play/ and its table no Watch links.

set(MOLFO_SERVER_BINDIR sbin)
set(MOLFO_SERVER_PAGEDIR ${CMAKE_INSTALL_DATADIR}/molfo-server/page)
set(MOLFO_WEB_PAGE ${CMAKE_SOURCE_DIR}/build-web/page CACHE PATH "the built browser page that molfo-server's package serves under /play/")

# The server finds the game and the page through the paths from its own
# folder, as the game finds its data (the build tree has the game beside it).
file(RELATIVE_PATH molfo_game_rel ${CMAKE_INSTALL_PREFIX}/${MOLFO_SERVER_BINDIR}
  ${CMAKE_INSTALL_PREFIX}/${MOLFO_DEB_BINDIR}/molfo)
file(RELATIVE_PATH molfo_page_rel ${CMAKE_INSTALL_PREFIX}/${MOLFO_SERVER_BINDIR}
  ${CMAKE_INSTALL_PREFIX}/${MOLFO_SERVER_PAGEDIR})
target_compile_definitions(molfo-server PRIVATE MOLFO_GAME_FROM_SERVER="molfo:${molfo_game_rel}"
  MOLFO_PAGE_FROM_SERVER="${molfo_page_rel}")
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT MOLFO_SANITIZE)
  target_compile_options(molfo_server_lib PRIVATE -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
  target_compile_options(molfo-server PRIVATE -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
endif()
target_link_options(molfo-server PRIVATE -Wl,-z,relro -Wl,-z,now)

execute_process(COMMAND gzip -9n -c ${MOLFO_DIST}/molfo-server.8 OUTPUT_FILE ${MOLFO_DIST}/molfo-server.8.gz
  RESULT_VARIABLE molfo_rc)
if(NOT molfo_rc EQUAL 0)
  message(FATAL_ERROR "cannot gzip ${MOLFO_DIST}/molfo-server.8")
endif()
# Its options file is a conffile: an upgrade keeps the administrator's.
file(WRITE ${MOLFO_DIST}/molfo-server/conffiles "/etc/default/molfo-server\n")

set(molfo_server_only COMPONENT server EXCLUDE_FROM_ALL)
install(TARGETS molfo-server RUNTIME DESTINATION ${MOLFO_SERVER_BINDIR} ${molfo_server_only})
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded --remove-section=.comment
  --remove-section=.note \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MOLFO_SERVER_BINDIR}/molfo-server\"
  COMMAND_ERROR_IS_FATAL ANY)" ${molfo_server_only})
install(FILES ${CMAKE_SOURCE_DIR}/dist/molfo-server.service DESTINATION lib/systemd/system ${molfo_server_only})
install(FILES ${CMAKE_SOURCE_DIR}/dist/molfo-server.default DESTINATION /etc/default RENAME molfo-server
  ${molfo_server_only})
install(FILES ${MOLFO_DIST}/molfo-server.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 ${molfo_server_only})
install(FILES ${MOLFO_DIST}/molfo-server/copyright ${MOLFO_DIST}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/molfo-server ${molfo_server_only})
install(FILES ${CMAKE_SOURCE_DIR}/dist/molfo-server.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME molfo-server ${molfo_server_only})
install(CODE "if(NOT EXISTS \"${MOLFO_WEB_PAGE}/index.html\")
  message(WARNING \"molfo-server's package is made without the browser page: ${MOLFO_WEB_PAGE} holds none \"
    \"(make web builds it; make package does so first). Its server will serve no /play/ and no Watch links.\")
endif()" ${molfo_server_only})
# The server sends files as they are, so the page's .gz and .br twins (for
# a web server that serves precompressed files) would be dead weight.
install(DIRECTORY ${MOLFO_WEB_PAGE}/ DESTINATION ${MOLFO_SERVER_PAGEDIR} OPTIONAL ${molfo_server_only}
  PATTERN "*.gz" EXCLUDE PATTERN "*.br" EXCLUDE)
