# Helpers shared by every folder's CMakeLists.txt.

# wrenlow_library(NAME [QT] DEPS dep...): a static library of every .cpp in the
# current folder (sub-folders excluded), linked to its dependencies.
function(wrenlow_library name)
  cmake_parse_arguments(W "QT" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    target_link_libraries(${name} PUBLIC ${W_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${W_DEPS})
  endif()
endfunction()

# wrenlow_test(NAME SOURCES file... DEPS dep... [GUI]): a GoogleTest program
# whose cases CTest lists one by one. GUI tests run on the offscreen platform
# unless the test environment names another (the test script starts an Xvfb).
function(wrenlow_test name)
  cmake_parse_arguments(W "GUI" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${W_SOURCES})
  # gtest_main is a static archive: a test with its own main() never pulls its
  # member in, so every test links it (a match on the source paths broke when
  # the checkout's own path held "main").
  target_link_libraries(${name} PRIVATE ${W_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    WRENLOW_CORPUS_DIR="${WRENLOW_CORPUS_DIR}"
    WRENLOW_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    WRENLOW_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # CMake 3.25 hands a discovered test only the first entry of an ENVIRONMENT
  # list, so the web engine's settings for GUI tests are made by the program.
  set(lock "")
  if(W_GUI)
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common/gui_test_env.cpp)
    # On an X server without a window manager every window that is shown takes
    # the input focus, so two GUI tests at once steal it from each other and a
    # test that waits for its window to become active fails. They share one
    # display, so they take turns on it; the other tests still run in parallel.
    set(lock RESOURCE_LOCK x-display)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "WRENLOW_TEST=1" LABELS "${W_LABELS}" ${lock})
endfunction()

include(GoogleTest OPTIONAL)

# The real-world files the tests read.
if(NOT WRENLOW_CORPUS_DIR)
  get_filename_component(WRENLOW_CORPUS_DIR ${CMAKE_SOURCE_DIR}/../shared/corpus/files ABSOLUTE)
endif()
