# GoogleTest from Debian's sources, built with the same toolchain.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_executable(wendrax1_unit ${UNIT_SOURCES} ${IID_SOURCES})
add_dependencies(wendrax1_unit typelibs WENDRAX1)
target_include_directories(wendrax1_unit PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests ${GEN})
target_link_libraries(wendrax1_unit PRIVATE gtest ${PLATFORM_LIBS})
target_link_options(wendrax1_unit PRIVATE ${STATIC_LINK})

set(TOOLS ${CMAKE_SOURCE_DIR}/tools)
include(cmake/TablePrintTests.cmake)
include(cmake/Fuzz.cmake)

# The tests of one build, each in the Wine prefix of its bitness (ARCH x86: the 32-bit prefix;
# x64: the 64-bit one, where the x86 build is registered beside it). NAME is put before every
# test's name.
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

  add_test(NAME ${name}unit COMMAND ${run} ${bin}/wendrax1_unit.exe --gtest_brief=1)
  # The unit tests and the fuzzer answer message boxes on the prefix's one desktop: never together.
  set_tests_properties(${name}unit PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}" TIMEOUT 3600
                       RESOURCE_LOCK desktop-${arch})

  file(GLOB scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.vbs ${CMAKE_SOURCE_DIR}/tests/host/*.js)
  foreach(script ${scripts})
    get_filename_component(script_name ${script} NAME)
    add_test(NAME ${name}host/${script_name} COMMAND env WENDRAX1_ARCH=${arch} ${TOOLS}/run-host-test --host ${arch} ${script})
    set_tests_properties(${name}host/${script_name} PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}" TIMEOUT 600)
  endforeach()
  if(arch STREQUAL x64)
    # Both builds registered side by side: the 32-bit script host gets the x86 build.
    foreach(script_name results.js files.vbs)
      add_test(NAME ${name}host32/${script_name}
               COMMAND env WENDRAX1_ARCH=x64 ${TOOLS}/run-host-test --host x86 ${CMAKE_SOURCE_DIR}/tests/host/${script_name})
      set_tests_properties(${name}host32/${script_name} PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}" TIMEOUT 600)
    endforeach()
  endif()

  if(TARGET tableprint_unit)
    add_test(NAME ${name}tableprint COMMAND ${run} ${bin}/tableprint_unit.exe --gtest_brief=1)
    set_tests_properties(${name}tableprint PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}" TIMEOUT 1800)
  endif()
  add_test(NAME ${name}fuzz COMMAND ${run} ${bin}/wendrax1_fuzz.exe --seconds 45 --min-rounds 1)
  set_tests_properties(${name}fuzz PROPERTIES FIXTURES_REQUIRED ${prefix} TIMEOUT 900 RESOURCE_LOCK desktop-${arch})
endfunction()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  wx_add_wine_tests(x64 ${WENDRAX1_BIN} "")
else()
  wx_add_wine_tests(x86 ${WENDRAX1_BIN} "")
  # tools/build builds the x64 tree first and names its folder here: its tests run from here too.
  set(WENDRAX1_X64_BIN "" CACHE PATH "the x64 build's files, whose tests this tree runs too")
  if(WENDRAX1_X64_BIN)
    wx_add_wine_tests(x64 ${WENDRAX1_X64_BIN} "x64/")
    include(cmake/Deploy.cmake)
  endif()
endif()
