# cmake --install: the program in bin/, its sys/ folder in share/molfo/, a
# desktop entry and an icon where desktops look for them. The program finds
# sys/ through the relative path from bin/ to share/molfo/, so an installed
# tree can be moved to another prefix as a whole.

include(GNUInstallDirs)

file(RELATIVE_PATH MOLFO_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/molfo)
target_compile_definitions(molfo PRIVATE MOLFO_DATA_FROM_BIN="${MOLFO_DATA_FROM_BIN}")

install(TARGETS molfo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The build's sys/ may hold a ranking from games played in the build tree:
# an installed game starts with an empty one.
install(DIRECTORY ${CMAKE_BINARY_DIR}/sys/ DESTINATION ${CMAKE_INSTALL_DATADIR}/molfo/sys
  PATTERN "rank.hms*" EXCLUDE
  PATTERN "*.tmp" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/dist/molfo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/dist/molfo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
