# Helpers shared by every folder's CMakeLists.txt.

# sonthra_library(NAME SOURCES ... [LIBS ...] [PRIVATE_LIBS ...])
# A static library whose headers are included as "folder/header.h" from src/.
function(sonthra_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_LIBS} PRIVATE ${A_PRIVATE_LIBS})
endfunction()

# sonthra_test(NAME SOURCES ... LIBS ... [OWN_MAIN] [NEEDS pulse|ftp|x11|reflink ...] [LABELS ...]
#              [TIMEOUT s])
# A GoogleTest executable registered with CTest. NEEDS names the real peers the test uses; their
# start-up fixtures live in tests/fixtures. Tests of the Qt parts run on the offscreen platform
# and bring their own main (tests/support/qt_test_main.cpp) that makes the QApplication.
set(SONTHRA_X11_DISPLAY ":47" CACHE STRING "X display of the x11 test fixture")
set(SONTHRA_REFLINK_DIR "/tmp/sonthra-reflink" CACHE PATH
    "Where the reflink test fixture mounts its file system")
set(SONTHRA_PULSE_DIR "/tmp/sonthra-pulse" CACHE PATH
    "Folder of the pulse test fixture's own sound server and its socket")

function(sonthra_test name)
  cmake_parse_arguments(A "OWN_MAIN" "TIMEOUT" "SOURCES;LIBS;NEEDS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  if(NOT A_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(env "QT_QPA_PLATFORM=offscreen"
          "SONTHRA_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          "SONTHRA_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(NOT "pulse" IN_LIST A_NEEDS)
    # No sound server at all, whatever runs on the machine: a server the test did not ask for
    # (the desktop's, or one that stopped answering) must not change or hang what it checks.
    list(APPEND env "PULSE_SERVER=unix:${SONTHRA_PULSE_DIR}/none")
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT} ENVIRONMENT "${env}"
                       LABELS "${A_LABELS}")
  foreach(need IN LISTS A_NEEDS)
    set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED ${need})
    if(need STREQUAL "pulse")
      # Every test that uses the sound server shares the one null sink, so they run one by one.
      # They reach the fixture's own server, never the desktop's.
      set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK pulse)
      set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
                   "ALSA_CONFIG_PATH=${PROJECT_SOURCE_DIR}/tests/fixtures/asound.conf"
                   "PULSE_SERVER=unix:${SONTHRA_PULSE_DIR}/native"
                   "SONTHRA_PULSE_DIR=${SONTHRA_PULSE_DIR}")
    elseif(need STREQUAL "reflink")
      set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
                   "SONTHRA_REFLINK_DIR=${SONTHRA_REFLINK_DIR}")
    elseif(need STREQUAL "x11")
      # A real X display with a window manager (tests/fixtures/x11); pointer and focus are
      # shared, so these run one by one too.
      set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK x11)
      set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
                   "DISPLAY=${SONTHRA_X11_DISPLAY}" "QT_QPA_PLATFORM=xcb")
    endif()
  endforeach()
endfunction()

# sonthra_fuzzer(NAME SOURCES ... LIBS ... [SECONDS s])
# A libFuzzer target, run by CTest for a bounded time; built only with clang.
function(sonthra_fuzzer name)
  cmake_parse_arguments(A "" "SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT SONTHRA_FUZZ)
    return()
  endif()
  if(NOT A_SECONDS)
    set(A_SECONDS 30)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  # A target with a corpus in the repository (scripts/fuzz, "make fuzz" grow it) has every
  # input of it replayed, which takes seconds; one without is fuzzed for SECONDS.
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
  if(EXISTS ${corpus})
    add_test(NAME ${name} COMMAND ${name} -runs=0 -rss_limit_mb=2048 -timeout=10 ${corpus})
  else()
    add_test(NAME ${name}
             COMMAND ${name} -max_total_time=${A_SECONDS} -rss_limit_mb=2048 -print_final_stats=1)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS fuzz)
endfunction()
