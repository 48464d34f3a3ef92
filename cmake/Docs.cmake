# The reference (docs/) and the help file: the type library's facts read under Wine from each
# build, the stand-ins the examples draw on, and, in the tree that sees both builds (the x86 tree
# of tools/build), the pages, the help file beside both libraries and the reference's tests.
add_executable(TypeLibFacts ${CMAKE_SOURCE_DIR}/tools/docs/TypeLibFacts.cpp)
target_include_directories(TypeLibFacts PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_options(TypeLibFacts PRIVATE ${STATIC_LINK} -municode)
target_link_libraries(TypeLibFacts PRIVATE ole32 oleaut32)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DOCS_ARCH x64)
else()
  set(DOCS_ARCH x86)
endif()
string(REPLACE "/" "\\" DOCS_WIN_BIN "Z:${WENDRAX1_BIN}")
set(FACTS ${WENDRAX1_BIN}/WENDRAX1.facts.json)
add_custom_command(
  OUTPUT ${FACTS}
  COMMAND ${CMAKE_COMMAND} -E env WENDRAX1_ARCH=${DOCS_ARCH} ${CMAKE_SOURCE_DIR}/tools/wine-run
          $<TARGET_FILE:TypeLibFacts> ${DOCS_WIN_BIN}\\WENDRAX1.dll ${DOCS_WIN_BIN}\\WENDRAX1.facts.json
  DEPENDS WENDRAX1 TypeLibFacts
  COMMENT "Type library facts (${DOCS_ARCH})" VERBATIM)
add_custom_target(typelib-facts ALL DEPENDS ${FACTS})

if(WENDRAX1_TESTS)
  # WxExamples.PictureBox and WxExamples.Form, registered in the test prefixes.
  file(GLOB EXAMPLE_SERVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/examples/*.cpp)
  add_library(WxExamples SHARED ${EXAMPLE_SERVER_SOURCES} ${CMAKE_SOURCE_DIR}/src/frame/ClassFactory.cpp
              ${CMAKE_SOURCE_DIR}/src/frame/Module.cpp ${CMAKE_SOURCE_DIR}/tests/examples/WxExamples.def)
  set_target_properties(WxExamples PROPERTIES PREFIX "" OUTPUT_NAME WxExamples)
  target_include_directories(WxExamples PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_options(WxExamples PRIVATE ${STATIC_LINK} -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  target_link_libraries(WxExamples PRIVATE ole32 oleaut32 uuid user32 gdi32 advapi32)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND WENDRAX1_X64_BIN)
  set(REFERENCE ${CMAKE_BINARY_DIR}/docs)
  set(FACTS64 ${WENDRAX1_X64_BIN}/WENDRAX1.facts.json)
  set(MAKE_REFERENCE python3 ${CMAKE_SOURCE_DIR}/tools/docs/make-reference)
  set(REFERENCE_ARGS --x64-facts ${FACTS64} ${FACTS} ${CMAKE_SOURCE_DIR}/docs ${REFERENCE})
  file(GLOB_RECURSE DOC_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/src/* ${CMAKE_SOURCE_DIR}/docs/examples/*
       ${CMAKE_SOURCE_DIR}/docs/images/*)
  add_custom_command(
    OUTPUT ${REFERENCE}/WENDRAX1.chm ${WENDRAX1_BIN}/WENDRAX1.chm ${WENDRAX1_X64_BIN}/WENDRAX1.chm
    COMMAND ${MAKE_REFERENCE} ${REFERENCE_ARGS}
    COMMAND ${CMAKE_COMMAND} -E copy ${REFERENCE}/WENDRAX1.chm ${WENDRAX1_BIN}/WENDRAX1.chm
    COMMAND ${CMAKE_COMMAND} -E copy ${REFERENCE}/WENDRAX1.chm ${WENDRAX1_X64_BIN}/WENDRAX1.chm
    DEPENDS ${FACTS} ${FACTS64} ${DOC_SOURCES} ${CMAKE_SOURCE_DIR}/tools/docs/make-reference
    COMMENT "Reference pages and help file" VERBATIM)
  # It reads the x64 tree's facts, so it is not part of `all`: tools/build makes it once both
  # trees are built (the two build side by side).
  add_custom_target(reference DEPENDS ${REFERENCE}/WENDRAX1.chm)

  if(WENDRAX1_TESTS)
    file(GLOB EXAMPLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/examples/*.vbs ${CMAKE_SOURCE_DIR}/docs/examples/*.js)
    set(example_tests "")
    foreach(arch x86 x64)
      if(arch STREQUAL x86)
        set(name "")
        set(bin ${WENDRAX1_BIN})
      else()
        set(name "x64/")
        set(bin ${WENDRAX1_X64_BIN})
      endif()
      add_test(NAME ${name}register-examples COMMAND env WENDRAX1_ARCH=${arch} ${TOOLS}/register ${bin}/WxExamples.dll)
      set_tests_properties(${name}register-examples PROPERTIES FIXTURES_SETUP ${name}examples
                           FIXTURES_REQUIRED ${name}wineprefix)
      foreach(example ${EXAMPLES})
        get_filename_component(example_name ${example} NAME)
        add_test(NAME ${name}examples/${example_name}
                 COMMAND ${CMAKE_SOURCE_DIR}/tools/docs/run-example --host ${arch} ${example})
        # Examples are scripts with windows of their own: they take turns with the script tests
        # and the desktop areas of their prefix (see Tests.cmake). All of them take minutes under
        # emulation, so the quick loop leaves them to `tools/check examples` and the full suite.
        set_tests_properties(${name}examples/${example_name} PROPERTIES TIMEOUT 300 LABELS "long;examples"
                             RESOURCE_LOCK "host-${arch};desktop-${arch}"
                             FIXTURES_REQUIRED "${name}wineprefix;${name}registered;${name}examples")
        list(APPEND example_tests ${name}examples/${example_name})
      endforeach()
    endforeach()
    # The committed pages are the ones the sources make now, and the committed pictures the ones
    # the examples just made in both builds.
    # The pages alone in the quick loop; the pictures with the examples that make them.
    add_test(NAME docs/reference COMMAND ${MAKE_REFERENCE} --check
             --x64-facts ${FACTS64} ${FACTS} ${CMAKE_SOURCE_DIR}/docs ${CMAKE_BINARY_DIR}/docs-check)
    add_test(NAME docs/pictures COMMAND ${MAKE_REFERENCE} --check --pictures ${CMAKE_BINARY_DIR}/examples/pictures
             --x64-facts ${FACTS64} ${FACTS} ${CMAKE_SOURCE_DIR}/docs ${CMAKE_BINARY_DIR}/docs-check-pictures)
    set_tests_properties(docs/pictures PROPERTIES DEPENDS "${example_tests}" LABELS "long;examples")
    # Every link of the pages, the README and the change log leads to a file and heading that exist.
    add_test(NAME docs/links COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/docs/check-links ${CMAKE_SOURCE_DIR}/README.md
             ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${CMAKE_SOURCE_DIR}/docs)
    set_tests_properties(docs/links PROPERTIES LABELS "docs")
    # Every help context of both type libraries opens a topic of the help file.
    add_test(NAME docs/help-contexts COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/docs/check-help ${REFERENCE}/WENDRAX1.chm
             ${FACTS} ${FACTS64})
  endif()
endif()
