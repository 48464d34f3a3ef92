# Deployment without self-registration: the build records what DllRegisterServer writes (the
# registration capture, run under Wine) and makes the side-by-side assembly manifest from it.
# tools/make-package turns the records of both builds into the installer packages.
add_executable(RegistrationCapture ${CMAKE_SOURCE_DIR}/tools/package/RegistrationCapture.cpp)
target_link_options(RegistrationCapture PRIVATE ${STATIC_LINK} -municode)
target_link_libraries(RegistrationCapture PRIVATE ole32 oleaut32 advapi32)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WENDRAX1_ARCH x64)
  set(MANIFEST_ARCH amd64)
else()
  set(WENDRAX1_ARCH x86)
  set(MANIFEST_ARCH x86)
endif()
# The programs see the build folder through Wine's drive Z:.
string(REPLACE "/" "\\" WIN_BIN "Z:${WENDRAX1_BIN}")
set(REGISTRATION ${WENDRAX1_BIN}/WENDRAX1.registration)
add_custom_command(
  OUTPUT ${REGISTRATION} ${WENDRAX1_BIN}/WENDRAX1.manifest
  COMMAND ${CMAKE_COMMAND} -E env WENDRAX1_ARCH=${WENDRAX1_ARCH} ${CMAKE_SOURCE_DIR}/tools/wine-run
          $<TARGET_FILE:RegistrationCapture> ${WIN_BIN}\\WENDRAX1.dll ${WIN_BIN}\\WENDRAX1.registration
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/package/deploy.py manifest ${MANIFEST_ARCH} ${WENDRAX1_ASSEMBLY_VERSION}
          ${REGISTRATION} ${WENDRAX1_BIN}/WENDRAX1.manifest
  DEPENDS WENDRAX1 vb6stkit RegistrationCapture ${CMAKE_SOURCE_DIR}/tools/package/deploy.py
  COMMENT "Registration record and side-by-side manifest (${MANIFEST_ARCH})" VERBATIM)
# Not part of the default build (it runs the library under Wine): tools/build makes it for the
# tests and the packages, and leaves it out of the quick loop and the demo.
add_custom_target(manifest DEPENDS ${REGISTRATION} ${WENDRAX1_BIN}/WENDRAX1.manifest)

# The deployment tests' host application, of this build's bitness, with its application manifest
# (the dependency on the WENDRAX1 assembly) embedded.
if(WENDRAX1_TESTS)
  set(HOST_MANIFEST ${GEN}/ManifestHost.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/tests/deploy/ManifestHost.manifest.in ${HOST_MANIFEST} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/tests/deploy/ManifestHost.rc.in ${GEN}/ManifestHost.rc @ONLY)
  add_executable(ManifestHost ${CMAKE_SOURCE_DIR}/tests/deploy/ManifestHost.cpp ${GEN}/ManifestHost.rc)
  set_source_files_properties(${GEN}/ManifestHost.rc PROPERTIES OBJECT_DEPENDS ${HOST_MANIFEST})
  target_link_options(ManifestHost PRIVATE ${STATIC_LINK} -municode)
  target_link_libraries(ManifestHost PRIVATE ole32 oleaut32 uuid)
endif()
