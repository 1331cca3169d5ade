# The window's own talk with the X server (the playfield's ring in shared
# memory, the look for input), tested on a real one under xvfb-run. The
# program itself takes Xlib from SDL; this binary links it, to read back
# what the server shows.
pkg_check_modules(MOLFO_X11 IMPORTED_TARGET x11 xext)
find_program(MOLFO_XVFB_RUN xvfb-run)
if(MOLFO_X11_FOUND AND MOLFO_XVFB_RUN)
  file(GLOB MOLFO_X11_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/x11/*_test.cpp)
  add_executable(molfo_x11_tests ${MOLFO_X11_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/platform/sdl/X11Shm.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/sdl/X11Events.cpp)
  target_link_libraries(molfo_x11_tests PRIVATE molfo_lib PkgConfig::SDL2 PkgConfig::MOLFO_X11 GTest::gtest
    GTest::gtest_main ${CMAKE_DL_LIBS})
  add_test(NAME Window.X11Ring
    COMMAND ${MOLFO_XVFB_RUN} -a -s "-screen 0 640x480x24" $<TARGET_FILE:molfo_x11_tests>)
  # CI sets SDL's dummy driver for every other test.
  set_tests_properties(Window.X11Ring PROPERTIES LABELS window TIMEOUT 30 RESOURCE_LOCK xvfb
    ENVIRONMENT "SDL_VIDEODRIVER=x11")
else()
  message(STATUS "Xlib's pkg-config files or xvfb-run not found: the ring is not tested on an X server")
endif()
