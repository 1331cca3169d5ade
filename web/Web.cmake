# The browser build (emcmake cmake -S . -B build-web -DMOLFO_SYS_DIR=build/sys):
# the game library and the web back end to WebAssembly; the data and the
# page around it (web/Data.cmake), all in build-web/page. Only Debian's
# packages: nothing downloaded.
set(MOLFO_SYS_DIR "" CACHE PATH "the sys/ folder built by the desktop build (its assetgen)")
if(NOT IS_DIRECTORY "${MOLFO_SYS_DIR}")
  message(FATAL_ERROR "MOLFO_SYS_DIR must name the desktop build's sys/ folder (make web sets it)")
endif()
get_filename_component(MOLFO_SYS_DIR "${MOLFO_SYS_DIR}" ABSOLUTE)

# The host's header-only libraries, without the rest of /usr/include, which
# is glibc's and not for WebAssembly.
set(MOLFO_HOST_INC ${CMAKE_BINARY_DIR}/hostinc)
file(MAKE_DIRECTORY ${MOLFO_HOST_INC})
file(CREATE_LINK /usr/include/stb ${MOLFO_HOST_INC}/stb SYMBOLIC)

set(MOLFO_WEB_JS ${CMAKE_SOURCE_DIR}/src/platform/web/library_molfo.js
  ${CMAKE_SOURCE_DIR}/src/platform/web/library_molfo_input.js)
set(MOLFO_PAGE ${CMAKE_BINARY_DIR}/page)
set(MOLFO_STAGE ${CMAKE_BINARY_DIR}/stage)

# The game library's sources (cmake/Sources.cmake) and the browser's back end;
# the headless driver, the settings file and zlib stay on the desktop.
add_executable(molfo ${MOLFO_SOURCES} ${MOLFO_WEB_SOURCES})
target_include_directories(molfo PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_include_directories(molfo SYSTEM PRIVATE ${MOLFO_HOST_INC}/stb)
target_compile_definitions(molfo PRIVATE MOLFO_VERSION="${PROJECT_VERSION}")
target_compile_options(molfo PRIVATE -O2 -Wno-unknown-warning-option)
set_target_properties(molfo PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${MOLFO_STAGE}/program)
set(MOLFO_ASYNC_IMPORTS "['molfo_sleep','molfo_yield','molfo_rank_lock','molfo_rank_unlock','molfo_hold','molfo_need']")
target_link_options(molfo PRIVATE -O2
  -sASYNCIFY "-sASYNCIFY_IMPORTS=${MOLFO_ASYNC_IMPORTS}" -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 -sENVIRONMENT=web -sFORCE_FILESYSTEM=1 -lidbfs.js
  "-sEXPORTED_RUNTIME_METHODS=['FS','IDBFS','addRunDependency','removeRunDependency']"
  "SHELL:--js-library ${CMAKE_SOURCE_DIR}/src/platform/web/library_molfo.js"
  "SHELL:--js-library ${CMAKE_SOURCE_DIR}/src/platform/web/library_molfo_input.js")
set_property(TARGET molfo APPEND PROPERTY LINK_DEPENDS ${MOLFO_WEB_JS})

# The data and the page around the program.
include(${CMAKE_SOURCE_DIR}/web/Data.cmake)
