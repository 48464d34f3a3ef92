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
          ${WIN_BIN}\\RegistrationCapture.exe ${WIN_BIN}\\WENDRAX1.dll ${WIN_BIN}\\WENDRAX1.registration
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/package/deploy.py manifest ${MANIFEST_ARCH} ${PROJECT_VERSION}
          ${REGISTRATION} ${WENDRAX1_BIN}/WENDRAX1.manifest
  DEPENDS WENDRAX1 vb6stkit RegistrationCapture ${CMAKE_SOURCE_DIR}/tools/package/deploy.py
  COMMENT "Registration record and side-by-side manifest (${MANIFEST_ARCH})")
add_custom_target(manifest ALL DEPENDS ${REGISTRATION} ${WENDRAX1_BIN}/WENDRAX1.manifest)
