# Build modes, compiler flags and the helpers every folder uses to declare its
# targets. Four presets share this file (CMakePresets.json):
#   win32   i686 Windows, the shipped deliverables, build-checked only
#   win64   x86_64 Windows, the same programs plus the Wine tests
#   native  the portable code and its unit tests, with ASan and UBSan
#   fuzz    the portable parsers under libFuzzer (clang)

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

option(RM_WINE_TESTS "Build the tests that run under Wine (Windows builds)" OFF)
option(RM_SANITIZE "Build native code with ASan and UBSan" OFF)
option(RM_FUZZ "Build the libFuzzer targets (clang)" OFF)
option(RM_WERROR "Treat warnings as errors" ON)

if(WIN32)
  set(RM_PLATFORM windows)
elseif(RM_FUZZ)
  set(RM_PLATFORM fuzz)
else()
  set(RM_PLATFORM native)
endif()

add_compile_options(-Wall -Wextra)
if(RM_WERROR)
  add_compile_options(-Werror)
endif()

if(WIN32)
  enable_language(RC)
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX)
  # Everything links statically: the programs then need only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
  # Small shipped programs: the Release build (win32 preset) optimises for
  # size, and the linker drops what nothing refers to.
  set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
  add_link_options(-Wl,--gc-sections)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The shipped architecture only (the x86_64 test build keeps the
    # defaults). i686 unwinds with DWARF tables: C++ code keeps them wherever
    # an exception can pass; only functions that cannot throw lose theirs.
    # Each program instantiates only the std::string and std::wstring
    # members it uses, instead of linking the library's complete copies
    # (70 KB).
    add_compile_options(-ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables
      "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${PROJECT_SOURCE_DIR}/common/win/StringInstances.h>")
  endif()
  if(RM_WINE_TESTS)
    # ctest runs Windows test programs through the project's Wine wrapper,
    # which brings this build tree's Wine environment up on first use.
    set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine-run;${PROJECT_BINARY_DIR}")
  endif()
elseif(RM_FUZZ)
  # Portable code is instrumented for coverage; only fuzz targets link libFuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(RM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Real SMBIOS tables and other shared test data live outside the project.
if(NOT RM_TESTDATA_DIR)
  if(EXISTS ${PROJECT_SOURCE_DIR}/../shared/testdata)
    get_filename_component(RM_TESTDATA_DIR ${PROJECT_SOURCE_DIR}/../shared/testdata ABSOLUTE)
  else()
    set(RM_TESTDATA_DIR /work/shared/testdata)
  endif()
endif()
set(RM_TESTDATA_DIR ${RM_TESTDATA_DIR} CACHE PATH "Shared test data (SMBIOS tables)")

set(RM_BUILD_TESTS OFF)
if((WIN32 AND RM_WINE_TESTS) OR RM_PLATFORM STREQUAL "native")
  set(RM_BUILD_TESTS ON)
endif()

if(RM_FUZZ)
  enable_testing()
endif()
if(RM_BUILD_TESTS)
  enable_testing()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  # GoogleTest from Debian's sources, built with this build's own flags.
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w)
    endif()
  endforeach()
  include(GoogleTest)
endif()

# rm_portable_library(name SOURCES...): code without <windows.h>; built in
# every mode, so the Windows programs and the native tests share it.
function(rm_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# rm_unit_test(name SOURCES... LIBS libs...): a native GoogleTest program.
function(rm_unit_test name)
  if(NOT RM_PLATFORM STREQUAL "native")
    return()
  endif()
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE RM_TESTDATA_DIR="${RM_TESTDATA_DIR}")
  gtest_discover_tests(${name} TEST_PREFIX "unit." PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
endfunction()

# rm_wine_test(name SOURCES... LIBS libs... [KIND windows|system] [TIMEOUT s]
#              [ENVIRONMENT VAR=value...] [SUITES suite...]):
# a Windows GoogleTest program run under wine64, 180 s per test unless told;
# ENVIRONMENT reaches Wine (LC_ALL sets the program's ANSI code page).
# Each test runs in a process of its own, except those of the SUITES: each
# of these is one test, KIND.SUITE, whose tests run in one process, so that
# what its SetUpTestSuite starts (one rmtray for the suite) serves them all.
# All Wine tests of a build tree share one prefix (its registry, named
# objects and desktop), so they never run at the same time.
function(rm_wine_test name)
  if(NOT (WIN32 AND RM_WINE_TESTS))
    return()
  endif()
  cmake_parse_arguments(T "" "KIND;TIMEOUT" "LIBS;ENVIRONMENT;SUITES" ${ARGN})
  if(NOT T_KIND)
    set(T_KIND windows)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} rm_test_support GTest::gmock_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE RM_BUILD_DIR="${PROJECT_BINARY_DIR}"
    RM_TESTDATA_DIR="${RM_TESTDATA_DIR}")
  set(properties LABELS ${T_KIND} RESOURCE_LOCK wineprefix TIMEOUT ${T_TIMEOUT})
  if(T_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
  set(filter "*")
  if(T_SUITES)
    list(TRANSFORM T_SUITES APPEND ".*" OUTPUT_VARIABLE whole)
    list(JOIN whole ":" whole)
    set(filter "-${whole}")
  endif()
  gtest_discover_tests(${name} TEST_PREFIX "${T_KIND}." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    TEST_FILTER "${filter}" PROPERTIES ${properties})
  foreach(suite IN LISTS T_SUITES)
    add_test(NAME ${T_KIND}.${suite} COMMAND ${name} --gtest_filter=${suite}.*)
    set_tests_properties(${T_KIND}.${suite} PROPERTIES ${properties})
  endforeach()
  add_dependencies(${name} rm_wine_payload)
endfunction()

# Benchmarks print figures and decide nothing, so the test run leaves them
# out: ctest runs them only in its configuration "bench" (ctest -C bench -L
# bench, what scripts/bench.sh does), never in a plain ctest run or
# scripts/test.sh. A benchmark that also asserts (the memory growth check) is
# an ordinary Wine test labelled "bench" and runs in both. The target
# rm_bench builds every benchmark program with what it starts.
# rm_bench_test(name TARGET target | COMMAND command args...): one benchmark,
# 300 s at most; TARGET is also added to rm_bench.
if(WIN32 AND RM_WINE_TESTS)
  add_custom_target(rm_bench)
endif()
function(rm_bench_test name)
  cmake_parse_arguments(B "" "TARGET" "COMMAND" ${ARGN})
  if(B_TARGET)
    add_dependencies(rm_bench ${B_TARGET})
    set(B_COMMAND ${B_TARGET} ${B_COMMAND})
  endif()
  add_test(NAME ${name} COMMAND ${B_COMMAND} CONFIGURATIONS bench)
  set_tests_properties(${name} PROPERTIES LABELS bench RESOURCE_LOCK wineprefix TIMEOUT 300)
endfunction()

# rm_fuzz_target(name SOURCES... LIBS libs...): a libFuzzer program.
function(rm_fuzz_target name)
  if(NOT RM_PLATFORM STREQUAL "fuzz")
    return()
  endif()
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # A short smoke run in the test suite; long runs are started by hand
  # (README).
  add_test(NAME fuzz.${name} COMMAND ${name} -runs=20000 -seed=1)
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz)
endfunction()

# Everything the Wine tests start (the programs and the firmware stand-in):
# folders add their targets with rm_wine_payload(target...).
if(WIN32)
  add_custom_target(rm_wine_payload)
endif()
function(rm_wine_payload)
  if(WIN32)
    add_dependencies(rm_wine_payload ${ARGN})
  endif()
endfunction()

# The product version in four parts (PROJECT_VERSION padded with zeros),
# as Windows' version resources and installers want it: RM_VERSION_QUAD
# "1.0.0.0"; PROJECT_VERSION ("1.0.0") is the text the binaries show.
set(RM_VERSION_QUAD "")
foreach(part "${PROJECT_VERSION_MAJOR}" "${PROJECT_VERSION_MINOR}" "${PROJECT_VERSION_PATCH}" "${PROJECT_VERSION_TWEAK}")
  if(part STREQUAL "")
    set(part 0)
  endif()
  list(APPEND RM_VERSION_QUAD ${part})
endforeach()
list(JOIN RM_VERSION_QUAD "." RM_VERSION_QUAD)

# rm_version_resource(target DESCRIPTION "..." FILENAME "x.exe"): gives a
# shipped binary its version resource (common/res/version.rc.in), from the
# one version of the top CMakeLists.txt.
function(rm_version_resource target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(RM_VR "" "DESCRIPTION;FILENAME" "" ${ARGN})
  string(REPLACE "." "," RM_VR_COMMAS "${RM_VERSION_QUAD}")
  get_filename_component(RM_VR_INTERNAL ${RM_VR_FILENAME} NAME_WE)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(RM_VR_FILETYPE VFT_APP)
  else()
    set(RM_VR_FILETYPE VFT_DLL)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/common/res/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
