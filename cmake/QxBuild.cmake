# Compiler settings and the helpers every folder uses to declare libraries, programs and tests.

if(WIN32)
  set(QX_WINDOWS ON)
  add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0600 WINVER=0x0600 NOMINMAX)
  # Functions looked up at run time are cast from FARPROC, as GetProcAddress requires.
  add_compile_options(-Wno-cast-function-type)
else()
  set(QX_WINDOWS OFF)
endif()

add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)

if(QX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(QX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(QX_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest: Debian's build natively; compiled from Debian's sources for the Windows build.
if(NOT QX_FUZZ)
  if(CMAKE_CROSSCOMPILING)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()

# Everything the ThreadSanitizer run needs: the tests labelled "threaded" (and what they start).
add_custom_target(threaded_tests)

# qx_test(NAME SOURCES ... LIBS ... [LABELS ...] [WINDOWS_ONLY] [NATIVE_ONLY] [GUI] [TIMEOUT SECONDS])
# One GoogleTest executable registered with ctest; in the Windows builds ctest runs it through Wine,
# and a GUI test (one that creates windows) inside Xvfb. TIMEOUT bounds one run (default 120 s,
# several times what a test takes under Wine on a loaded machine), so a test that hangs fails
# soon instead of holding the whole run.
function(qx_test name)
  cmake_parse_arguments(T "WINDOWS_ONLY;NATIVE_ONLY;GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(QX_FUZZ OR (T_WINDOWS_ONLY AND NOT QX_WINDOWS) OR (T_NATIVE_ONLY AND QX_WINDOWS))
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gtest)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(T_GUI AND QX_WINDOWS)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-display.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
                                   $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  if("threaded" IN_LIST T_LABELS)
    add_dependencies(threaded_tests ${name})
  endif()
  if(QX_WINDOWS)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()

# qx_fuzz(NAME SOURCES ... LIBS ... [SECONDS N])
# A libFuzzer target, built only in the fuzz build; ctest replays its kept corpus and fuzzes it for a
# few seconds.
function(qx_fuzz name)
  cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT QX_FUZZ)
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 10)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # New inputs and crash artefacts stay in the build folder; the kept corpus of the source tree
  # (tests/fuzz/corpus/NAME) is read first on every run, so each of its inputs is replayed.
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  set(artifacts ${CMAKE_CURRENT_BINARY_DIR}/${name}-artifacts/)
  set(kept ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  file(MAKE_DIRECTORY ${corpus} ${artifacts})
  set(dirs ${corpus})
  if(IS_DIRECTORY ${kept})
    list(APPEND dirs ${kept})
  endif()
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${F_SECONDS} -timeout=10 -print_final_stats=1
           -artifact_prefix=${artifacts} ${dirs})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()

# qx_library(NAME SOURCES ... LIBS ...): a static library of the portable core or a Windows module.
function(qx_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()
