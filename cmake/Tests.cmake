# GoogleTest from Debian's sources, built with the same toolchain.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Third-party: built without warnings, its headers included as system headers.
foreach(target gtest gtest_main)
  target_compile_options(${target} PRIVATE -w)
  get_target_property(includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
  set_target_properties(${target} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${includes}")
endforeach()

file(GLOB UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
# The unit program links the library's code as well (CMakeLists.txt tells why).
add_executable(wendrax1_unit ${UNIT_SOURCES} ${IID_SOURCES} $<TARGET_OBJECTS:wendrax1_code>)
add_dependencies(wendrax1_unit typelibs WENDRAX1)
target_include_directories(wendrax1_unit PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests ${GEN})
target_link_libraries(wendrax1_unit PRIVATE gtest ${PLATFORM_LIBS})
target_link_options(wendrax1_unit PRIVATE ${STATIC_LINK})
wx_precompile(wendrax1_unit <gtest/gtest.h>)

set(TOOLS ${CMAKE_SOURCE_DIR}/tools)
include(cmake/TablePrintTests.cmake)
include(cmake/Fuzz.cmake)

# The unit program runs as several CTest entries, one per area: the source folder of the class a
# test file is named after (tests/unit/clsCryptoTest.cpp: crypto). The leak checks and the
# registration round trips have entries of their own; every suite no entry names (a file without a
# class of its name, or a suite added since CMake last looked) runs in unit/others, so every test
# runs in the full suite. CMake looks again whenever a test file changes.
file(GLOB UNIT_TEST_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*Test.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${UNIT_TEST_FILES})
set(UNIT_GROUPS)
set(UNIT_NAMED_SUITES)
foreach(file ${UNIT_TEST_FILES})
  get_filename_component(stem ${file} NAME_WE)
  string(REGEX REPLACE "Test$" "" class ${stem})
  if(class STREQUAL Leak OR class STREQUAL Registration)
    string(TOLOWER ${class} group)
  else()
    file(GLOB home ${CMAKE_SOURCE_DIR}/src/*/${class}.cpp)
    if(NOT home)
      continue()
    endif()
    list(GET home 0 home)
    get_filename_component(folder ${home} DIRECTORY)
    get_filename_component(group ${folder} NAME)
  endif()
  file(STRINGS ${file} declarations REGEX "^(TEST|TEST_F|TEST_P|TYPED_TEST)\\([A-Za-z0-9_]+,")
  foreach(declaration ${declarations})
    string(REGEX REPLACE "^[A-Z_]+\\(([A-Za-z0-9_]+),.*" "\\1" suite "${declaration}")
    if(NOT suite IN_LIST UNIT_NAMED_SUITES)
      list(APPEND UNIT_NAMED_SUITES ${suite})
      list(APPEND UNIT_SUITES_${group} ${suite})
      if(NOT group IN_LIST UNIT_GROUPS)
        list(APPEND UNIT_GROUPS ${group})
      endif()
    endif()
  endforeach()
endforeach()
list(SORT UNIT_GROUPS)
# The areas of the script tests whose names are not an area's own.
set(HOST_SCRIPT_AREA_ini settings)
set(HOST_SCRIPT_AREA_mru settings)
set(HOST_SCRIPT_AREA_registry settings)
set(HOST_SCRIPT_AREA_pixels imaging)
set(HOST_SCRIPT_AREA_results frame)

# The areas whose tests move windows, z-order, the keyboard or read the screen, or show windows
# and message boxes that take the focus (and unit/others, whose tests are not sorted): one at a
# time on a prefix's desktop. The leak checks call a member of every area.
set(WX_DESKTOP_AREAS desktop printing media registration leak files settings imaging)

# "Suite.*:Other.*" for a gtest filter.
function(wx_suite_filter out)
  set(patterns)
  foreach(suite ${ARGN})
    list(APPEND patterns "${suite}.*")
  endforeach()
  list(JOIN patterns ":" joined)
  set(${out} "${joined}" PARENT_SCOPE)
endfunction()

# The tests of one build, each in the Wine prefix of its bitness (ARCH x86: the 32-bit prefix;
# x64: the 64-bit one, where the x86 build is registered beside it). NAME is put before every
# test's name. Labels: the area (files, settings, ...), and "long" on the fuzz pass, which the
# quick loop (tools/check) leaves out.
#
# What may run side by side (ctest -j): the two prefixes share nothing. Inside one prefix, the unit
# entries of the areas that move windows, z-order and the screen (WX_DESKTOP_AREAS) take turns on
# the prefix's one desktop (lock desktop-ARCH); the other areas run beside them and each other
# (their registry keys and scratch files are their own, and a test answers only its own process's
# dialogs). The fuzz pass calls everything, so it holds every unit lock; the script tests take
# turns among themselves (lock host-ARCH) and with the desktop areas; the registration round
# trips unregister the library for a moment, so they hold every lock of their prefix.
function(wx_add_wine_tests arch bin name)
  set(run env WENDRAX1_ARCH=${arch} ${TOOLS}/wine-run)
  set(prefix ${name}wineprefix)
  set(registered ${name}registered)
  add_test(NAME ${name}prefix COMMAND ${run} cmd /c exit 0)
  set_tests_properties(${name}prefix PROPERTIES FIXTURES_SETUP ${prefix})
  add_test(NAME ${name}register COMMAND env WENDRAX1_ARCH=${arch} ${TOOLS}/register ${bin}/WENDRAX1.dll)
  set_tests_properties(${name}register PROPERTIES FIXTURES_SETUP ${registered} FIXTURES_REQUIRED ${prefix})
  get_filename_component(beside ${bin}/../WENDRAX1.dll ABSOLUTE)
  if(arch STREQUAL x64)
    # The x86 build beside, registered in the same prefix by the 32-bit regsvr32.
    add_test(NAME ${name}register-x86 COMMAND env WENDRAX1_ARCH=x64 ${TOOLS}/register ${beside})
    set_tests_properties(${name}register-x86 PROPERTIES FIXTURES_SETUP ${registered} FIXTURES_REQUIRED ${prefix})
  endif()

  set(unit ${run} ${bin}/wendrax1_unit.exe --gtest_brief=1)
  set(unit_tests)
  set(unit_locks desktop-${arch})
  foreach(group ${UNIT_GROUPS})
    wx_suite_filter(filter ${UNIT_SUITES_${group}})
    add_test(NAME ${name}unit/${group} COMMAND ${unit} --gtest_filter=${filter})
    set(lock desktop-${arch})
    if(NOT group IN_LIST WX_DESKTOP_AREAS)
      set(lock unit-${group}-${arch})
      list(APPEND unit_locks ${lock})
    endif()
    set_tests_properties(${name}unit/${group} PROPERTIES LABELS "unit;${group}" RESOURCE_LOCK ${lock})
    list(APPEND unit_tests ${name}unit/${group})
  endforeach()
  wx_suite_filter(named ${UNIT_NAMED_SUITES})
  add_test(NAME ${name}unit/others COMMAND ${unit} --gtest_filter=-${named})
  set_tests_properties(${name}unit/others PROPERTIES LABELS "unit;frame;desktop" RESOURCE_LOCK desktop-${arch})
  list(APPEND unit_tests ${name}unit/others)
  set_tests_properties(${unit_tests} PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}" TIMEOUT 600)
  if(TEST ${name}unit/registration)
    set_tests_properties(${name}unit/registration PROPERTIES RESOURCE_LOCK "${unit_locks};host-${arch}")
  endif()
  # The long ones start first (a run with timings of its own orders by them instead).
  set(cost 10)
  if(arch STREQUAL x86)
    set(cost 100)
  endif()
  set_tests_properties(${unit_tests} PROPERTIES COST ${cost})
  if(TEST ${name}unit/registration)
    # It holds every lock of its prefix: first, before the others spread out.
    set_tests_properties(${name}unit/registration PROPERTIES COST 2000)
  endif()

  include(${CMAKE_SOURCE_DIR}/cmake/CryptoTests.cmake)

  file(GLOB scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.vbs ${CMAKE_SOURCE_DIR}/tests/host/*.js)
  set(script_tests)
  foreach(script ${scripts})
    get_filename_component(script_name ${script} NAME)
    get_filename_component(stem ${script} NAME_WE)
    add_test(NAME ${name}host/${script_name} COMMAND env WENDRAX1_ARCH=${arch} ${TOOLS}/run-host-test --host ${arch} ${script})
    set_tests_properties(${name}host/${script_name} PROPERTIES LABELS "host;${stem};${HOST_SCRIPT_AREA_${stem}}")
    list(APPEND script_tests ${name}host/${script_name})
  endforeach()
  if(arch STREQUAL x64)
    # Both builds registered side by side: the 32-bit script host gets the x86 build.
    foreach(script_name results.js files.vbs)
      get_filename_component(stem ${script_name} NAME_WE)
      add_test(NAME ${name}host32/${script_name}
               COMMAND env WENDRAX1_ARCH=x64 ${TOOLS}/run-host-test --host x86 ${CMAKE_SOURCE_DIR}/tests/host/${script_name})
      set_tests_properties(${name}host32/${script_name} PROPERTIES LABELS "host;${stem};${HOST_SCRIPT_AREA_${stem}}")
      list(APPEND script_tests ${name}host32/${script_name})
    endforeach()
  endif()
  # The script tests of a prefix are a chain of their own: started early, beside the unit entries.
  # They make windows of their own (the banner, topmost windows), which would take the focus from
  # the desktop areas' tests (a focused edit control that receives typed keys): they take turns
  # with those too.
  set_tests_properties(${script_tests} PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}" TIMEOUT 600
                       RESOURCE_LOCK "host-${arch};desktop-${arch}" COST ${cost})

  if(TARGET tableprint_unit)
    add_test(NAME ${name}tableprint COMMAND ${run} ${bin}/tableprint_unit.exe --gtest_brief=1)
    set_tests_properties(${name}tableprint PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}" TIMEOUT 1800
                         LABELS "printing")
  endif()
  add_test(NAME ${name}fuzz COMMAND ${run} ${bin}/wendrax1_fuzz.exe --seconds 45 --min-rounds 1)
  set_tests_properties(${name}fuzz PROPERTIES FIXTURES_REQUIRED ${prefix} TIMEOUT 900 RESOURCE_LOCK "${unit_locks}"
                       LABELS "long;fuzz" COST 1000)
endfunction()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  wx_add_wine_tests(x64 ${WENDRAX1_BIN} "")
else()
  wx_add_wine_tests(x86 ${WENDRAX1_BIN} "")
  # tools/build names the x64 tree's folder of files here: its tests run from here too.
  set(WENDRAX1_X64_BIN "" CACHE PATH "the x64 build's files, whose tests this tree runs too")
  if(WENDRAX1_X64_BIN)
    wx_add_wine_tests(x64 ${WENDRAX1_X64_BIN} "x64/")
    include(cmake/Deploy.cmake)
  endif()
endif()
# Every test's Wine programs write through a file (tools/wine-env tells why).
get_property(all_tests DIRECTORY PROPERTY TESTS)
set_property(TEST ${all_tests} APPEND PROPERTY ENVIRONMENT WENDRAX1_OUTPUT_VIA_FILE=1)
