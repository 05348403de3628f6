# Build conventions shared by every target.
#
# A layer is a folder whose .cpp files (recursively, except main.cpp files)
# form one static library named after the folder. Tests live in
# tests/<layer>/ and become one executable test_<layer>; benchmarks and fuzz
# targets are one file each in bench/ and fuzz/.

set(STOVAN_LAYERS "" CACHE INTERNAL "")
# Front-end layers (ui/, Qt) are linked only by the program and their own
# tests: every other test, benchmark and fuzz target links the headless
# layers alone, so a Qt dependency below ui/ fails their link.
set(STOVAN_FRONT_END_LAYERS "" CACHE INTERNAL "")

# Warnings are errors only where we ask for it (tools/ and CI turn
# STOVAN_WERROR on): a user's or packager's build with another compiler must
# not fail on a warning that compiler invents.
function(stovan_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wformat=2 -Wimplicit-fallthrough -Wnon-virtual-dtor
    -Wold-style-cast -Wsuggest-override)
  if(STOVAN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(STOVAN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(STOVAN_FUZZ)
  # Every library gets coverage instrumentation; only the fuzz targets link
  # the driver. The test suites build here too, and run under the same
  # sanitizers (CI uses this one build for both).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# tools/coverage.sh instruments everything through CMAKE_CXX_FLAGS and turns
# this on: the report leaves the test code out, so it is built without debug
# information, which makes the gcov build of the suites quicker.
option(STOVAN_COVERAGE "Build test code of a --coverage build without debug information" OFF)
function(stovan_test_code target)
  if(STOVAN_COVERAGE)
    target_compile_options(${target} PRIVATE -g0)
  endif()
endfunction()

function(stovan_layer name)
  cmake_parse_arguments(ARG "FRONT_END" "" "DEPS" ${ARGN})
  set(dir ${CMAKE_SOURCE_DIR}/${name})
  if(NOT IS_DIRECTORY ${dir})
    return()
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  set(deps "")
  foreach(dep IN LISTS ARG_DEPS)
    if(TARGET ${dep} OR dep MATCHES "::")
      list(APPEND deps ${dep})
    endif()
  endforeach()
  target_link_libraries(${name} PUBLIC ${deps})
  stovan_warnings(${name})
  if(ARG_FRONT_END)
    set(STOVAN_FRONT_END_LAYERS ${STOVAN_FRONT_END_LAYERS} ${name} CACHE INTERNAL "")
  else()
    set(STOVAN_LAYERS ${STOVAN_LAYERS} ${name} CACHE INTERNAL "")
  endif()
  set_property(GLOBAL PROPERTY STOVAN_LAYER_DEPS_${name} ${ARG_DEPS})
endfunction()

# Writes <build>/layers.txt, one line per layer: the layer, then every layer
# it stands on directly or through others. tools/check-layers.sh reads it to
# fail the tests when a file includes a header of a layer above its own.
function(stovan_layer_map)
  set(lines "")
  foreach(layer IN LISTS STOVAN_LAYERS STOVAN_FRONT_END_LAYERS)
    set(reached "")
    set(pending ${layer})
    while(pending)
      list(POP_FRONT pending current)
      get_property(deps GLOBAL PROPERTY STOVAN_LAYER_DEPS_${current})
      foreach(dep IN LISTS deps)
        if(NOT dep MATCHES "::" AND NOT dep IN_LIST reached)
          list(APPEND reached ${dep})
          list(APPEND pending ${dep})
        endif()
      endforeach()
    endwhile()
    list(JOIN reached " " joined)
    string(APPEND lines "${layer} ${joined}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/layers.txt "${lines}")
endfunction()

# The paths of this build, for tests and benchmarks, in one generated file.
function(stovan_build_paths)
  if(TARGET build_paths)
    return()
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/BuildPaths.cpp.in
    ${CMAKE_BINARY_DIR}/generated/BuildPaths.cpp @ONLY)
  add_library(build_paths STATIC ${CMAKE_BINARY_DIR}/generated/BuildPaths.cpp)
  target_include_directories(build_paths PUBLIC ${CMAKE_SOURCE_DIR})
  stovan_warnings(build_paths)
endfunction()

function(stovan_tests)
  stovan_layer_map()
  stovan_build_paths()
  add_test(NAME LayersPointDown
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-layers.sh ${CMAKE_BINARY_DIR}/layers.txt)
  # tests/support holds seams shared by the test suites (fake clock, temp roots).
  file(GLOB_RECURSE support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
  if(support)
    add_library(test_support STATIC ${support})
    target_include_directories(test_support PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(test_support PUBLIC ${STOVAN_LAYERS} GTest::gtest build_paths)
    stovan_warnings(test_support)
    stovan_test_code(test_support)
  endif()
  # Suites may run the built programs (stovan, stovan-shell, the companion
  # commands) as child processes, so each suite is built after all of them.
  get_property(targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  set(programs "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      list(APPEND programs ${target})
    endif()
  endforeach()
  file(GLOB suites LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/*)
  foreach(suite IN LISTS suites)
    get_filename_component(name ${suite} NAME)
    if(NOT IS_DIRECTORY ${suite} OR name STREQUAL "support" OR name STREQUAL "data")
      continue()
    endif()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${suite}/*.cpp)
    if(NOT sources)
      continue()
    endif()
    # A front-end suite (tests/ui) exists only with its layer and links it.
    set(front_end "")
    if(name IN_LIST STOVAN_FRONT_END_LAYERS)
      set(front_end ${name})
    elseif(name STREQUAL "ui")
      continue()
    endif()
    add_executable(test_${name} ${sources})
    target_link_libraries(test_${name} PRIVATE ${STOVAN_LAYERS} ${front_end} GTest::gtest_main
      GTest::gmock nlohmann_json::nlohmann_json build_paths)
    if(TARGET test_support)
      target_link_libraries(test_${name} PRIVATE test_support)
    endif()
    stovan_warnings(test_${name})
    stovan_test_code(test_${name})
    if(programs)
      add_dependencies(test_${name} ${programs})
    endif()
    # Widgets are tested without a display, and `stovan` without a command
    # lists the database in every suite, however the developer's session is set.
    set(environment "LC_ALL=C;LANG=C;TZ=UTC;DISPLAY=;WAYLAND_DISPLAY=")
    if(front_end)
      string(APPEND environment ";QT_QPA_PLATFORM=offscreen")
      # Under the sanitizers: what the libraries below Qt keep is no leak of ours.
      if(EXISTS ${suite}/lsan.supp)
        string(APPEND environment ";LSAN_OPTIONS=suppressions=${suite}/lsan.supp")
      endif()
    endif()
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 120)
  endforeach()
endfunction()

function(stovan_benchmarks)
  stovan_build_paths()
  # The transfer benchmarks fetch from the loopback server the tests use.
  set(server ${CMAKE_SOURCE_DIR}/tests/support/HttpTestServer.cpp)
  if(EXISTS ${server})
    add_library(bench_http_server STATIC ${server})
    target_include_directories(bench_http_server PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(bench_http_server PUBLIC demo)
    stovan_warnings(bench_http_server)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME_WE)
    # bench/ui_*.cpp measure the window's layer: only with it, and linked to it.
    set(front_end "")
    if(name MATCHES "^ui_")
      if(NOT TARGET ui)
        continue()
      endif()
      set(front_end ui)
    endif()
    add_executable(bench_${name} ${source})
    target_link_libraries(bench_${name} PRIVATE ${STOVAN_LAYERS} ${front_end}
      benchmark::benchmark_main build_paths)
    if(TARGET bench_http_server)
      target_link_libraries(bench_${name} PRIVATE bench_http_server)
    endif()
    stovan_warnings(bench_${name})
  endforeach()
endfunction()

function(stovan_fuzzers)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME_WE)
    add_executable(fuzz_${name} ${source})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${STOVAN_LAYERS})
    stovan_warnings(fuzz_${name})
  endforeach()
endfunction()
