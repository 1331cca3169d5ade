# The fuzz targets of fuzz/, built with the game whenever clang is there (as
# a project of their own, since the game may be built by another compiler),
# so that they cannot rot; ctest runs each for a few seconds from its seeds.
# -DMOLFO_FUZZ=OFF leaves them out.
option(MOLFO_FUZZ "build the libFuzzer targets of fuzz/ with clang, and run each briefly in the tests" ON)
set(MOLFO_FUZZ_SECONDS 5 CACHE STRING "how long ctest runs each fuzz target")
find_program(MOLFO_CLANGXX NAMES clang++ clang++-14)
# The sanitizer build already has the targets' sanitizers everywhere.
if(MOLFO_FUZZ AND MOLFO_CLANGXX AND NOT MOLFO_SANITIZE)
  include(ExternalProject)
  set(MOLFO_FUZZ_BIN ${CMAKE_BINARY_DIR}/fuzz)
  ExternalProject_Add(fuzzers
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/fuzz
    BINARY_DIR ${MOLFO_FUZZ_BIN}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${MOLFO_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
    INSTALL_COMMAND ""
    # Its own build knows what changed; run it every time.
    BUILD_ALWAYS ON)
  foreach(name settings rank replay catalog)
    set(seeds ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    if(name STREQUAL "catalog")
      # The catalogs this build made, besides the seeds.
      list(APPEND seeds ${CMAKE_BINARY_DIR}/sys/locale/en/LC_MESSAGES)
    endif()
    add_test(NAME Fuzz.${name}
      COMMAND sh ${CMAKE_SOURCE_DIR}/fuzz/run.sh ${MOLFO_FUZZ_BIN}/${name}_fuzz ${MOLFO_FUZZ_SECONDS}
        ${CMAKE_BINARY_DIR}/fuzz-runs/${name} ${seeds})
    set_tests_properties(Fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
  endforeach()
elseif(MOLFO_FUZZ AND NOT MOLFO_CLANGXX)
  message(STATUS "clang++ not found: the fuzz targets are not built (scripts/install-deps installs it)")
endif()
