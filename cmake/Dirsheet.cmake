# Shared build settings: warnings, sanitizers, GoogleTest and the Wine emulator.

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

if(DIRSHEET_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(DIRSHEET_FUZZ AND NOT WIN32)
  # Coverage for libFuzzer in every library the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(WIN32)
  # One 32-bit executable with no MinGW DLLs beside it.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Tests of the Windows build run under Wine with a prefix kept in the build folder: 32-bit
  # for the i686 build (the shipped program), 64-bit for the x86-64 build.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(DIRSHEET_WINEARCH win64)
  else()
    set(DIRSHEET_WINEARCH win32)
  endif()
  foreach(script wine-run.sh wineserver.sh)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/${script}
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE @ONLY)
  endforeach()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

# GoogleTest from the Debian sources, built as part of each build.
set(DIRSHEET_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${DIRSHEET_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

enable_testing()

set(DIRSHEET_TESTDATA ${PROJECT_SOURCE_DIR}/tests/data)

# dirsheet_test(NAME SOURCES... [LIBS libs...])
# One GoogleTest executable registered as one CTest test; under the Windows build it
# runs through the Wine emulator.
function(dirsheet_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    DIRSHEET_TESTDATA="${DIRSHEET_TESTDATA}"
    DIRSHEET_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# dirsheet_fuzzer(NAME SOURCES... LIBS libs...): a libFuzzer target, native clang builds only.
function(dirsheet_fuzzer name)
  if(NOT DIRSHEET_FUZZ OR WIN32)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES} ${F_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
