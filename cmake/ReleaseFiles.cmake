# What ships: the library and the toolkit without debug sections (the debug information stays in
# build/debug, or build/x64/debug, linked by name from the file), and system libraries that only
# some members need loaded at their first call.
set(WX_DEBUG_DIR ${CMAKE_BINARY_DIR}/debug)
file(MAKE_DIRECTORY ${WX_DEBUG_DIR})

# wx_release_sources(TARGET): no build folder in what the compiler writes for a shipped file's
# sources (the test programs keep theirs: they find their fixtures beside their sources).
function(wx_release_sources target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>
                         $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
endfunction()

# wx_release_file(TARGET): after each link, moves the target's debug information into
# WX_DEBUG_DIR/<file>.debug and strips the file; a debugger finds the debug file through the
# link the file keeps (gdb: set debug-file-directory, or symbol-file). The file gets its PE
# checksum last, as a signed file has it (tools/pe-checksum). objcopy and strip write the time they
# ran into the file they write unless SOURCE_DATE_EPOCH names another: 0, as the linker writes.
function(wx_release_file target)
  wx_release_sources(${target})
  set(debug ${WX_DEBUG_DIR}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY} --add-gnu-debuglink=${debug} $<TARGET_FILE:${target}>
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/pe-checksum $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# wx_delay_load(TARGET CODE LIB...): links TARGET, made of the objects of the object library CODE,
# against delay-load import libraries of the system libraries named, made from the toolchain's
# ordinary import libraries (tools/delay-import-lib).
function(wx_delay_load target code)
  set(made)
  foreach(lib ${ARGN})
    find_library(WX_IMPORT_${lib} NAMES lib${lib}.a REQUIRED)
    set(out ${CMAKE_BINARY_DIR}/delayload/lib${lib}.a)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_SOURCE_DIR}/tools/delay-import-lib make ${CMAKE_NM} ${CMAKE_DLLTOOL} ${WX_IMPORT_${lib}} ${lib}.dll ${out}
      DEPENDS ${CMAKE_SOURCE_DIR}/tools/delay-import-lib ${WX_IMPORT_${lib}}
      COMMENT "Delay-load import library for ${lib}.dll" VERBATIM)
    list(APPEND made ${out})
  endforeach()
  add_custom_target(${target}_delayload DEPENDS ${made})
  add_dependencies(${target} ${target}_delayload)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The 32-bit linker keeps a delay-load stub's code only when its symbol is named: the stubs of
    # the functions the objects call are named on the link's command line, from a file written
    # just before each link.
    set(keep ${CMAKE_BINARY_DIR}/delayload/${target}.keep)
    if(NOT EXISTS ${keep})
      file(WRITE ${keep} "")
    endif()
    add_custom_command(TARGET ${target} PRE_LINK
      COMMAND ${CMAKE_SOURCE_DIR}/tools/delay-import-lib keep ${CMAKE_NM} ${keep}
              ${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${code}.dir ${made}
      VERBATIM)
    target_link_options(${target} PRIVATE "-Wl,@${keep}")
  endif()
  # Before the ordinary libraries (the compiler driver adds shell32 of its own at the end), and
  # the helper that loads them at the first call.
  target_link_libraries(${target} PRIVATE ${made} delayimp)
endfunction()
