# Deployment without regsvr32, for both builds (the x86 tree runs these once the x64 build exists):
# side by side with the assembly manifests in a prefix where nothing is registered, and the
# installer packages, per machine and per user, each in a fresh 64-bit prefix.
set(DEPLOY ${CMAKE_BINARY_DIR}/deploy)
set(PACKAGES ${CMAKE_BINARY_DIR}/package)
foreach(arch x86 x64)
  if(arch STREQUAL x86)
    set(bin ${WENDRAX1_BIN})
  else()
    set(bin ${WENDRAX1_X64_BIN})
  endif()
  add_test(NAME deploy/manifest-${arch}
           COMMAND ${CMAKE_SOURCE_DIR}/tests/deploy/sxs-test ${bin} ${bin}/ManifestHost.exe ${DEPLOY}/sxs)
  set_tests_properties(deploy/manifest-${arch} PROPERTIES TIMEOUT 300 PASS_REGULAR_EXPRESSION "22 classes, [0-9]+ passed, 0 failed"
                       LABELS "long;deploy" COST 50)
endforeach()

set(package_test ${CMAKE_SOURCE_DIR}/tests/deploy/package-test.py ${TOOLS}/wine-run)
add_test(NAME deploy/msi-x64 COMMAND ${package_test} ${PACKAGES}/WENDRAX1-x64.msi machine x86,x64 ${DEPLOY}/msi-x64)
add_test(NAME deploy/msi-x86 COMMAND ${package_test} ${PACKAGES}/WENDRAX1-x86.msi machine x86 ${DEPLOY}/msi-x86)
add_test(NAME deploy/msi-x64-per-user COMMAND ${package_test} ${PACKAGES}/WENDRAX1-x64.msi user x86,x64 ${DEPLOY}/msi-x64-user)
set_tests_properties(deploy/msi-x64 deploy/msi-x86 deploy/msi-x64-per-user PROPERTIES TIMEOUT 600)
# What the installer does with a registered copy, a second installation, the other package and a
# newer one, and that nothing registered names a removed file afterwards.
add_test(NAME deploy/msi-replace COMMAND ${package_test} ${PACKAGES}/WENDRAX1-x86.msi replace x86,x64 ${DEPLOY}/msi-replace)
set_tests_properties(deploy/msi-replace PROPERTIES TIMEOUT 600 COST 900)
# Each installer test has a prefix of its own: they run beside everything else, the longest first.
set_tests_properties(deploy/msi-x64 deploy/msi-x86 deploy/msi-x64-per-user deploy/msi-replace PROPERTIES LABELS "long;deploy")
set_tests_properties(deploy/msi-x64 deploy/msi-x86 deploy/msi-x64-per-user PROPERTIES COST 400)
# Every script test and the table printer again for a user whose profile folder the code page
# cannot hold: both builds installed in his program folders, TEMP and TMP in his profile.
add_test(NAME deploy/unicode-profile
         COMMAND ${CMAKE_SOURCE_DIR}/tests/deploy/unicode-profile ${WENDRAX1_BIN} ${WENDRAX1_X64_BIN} ${DEPLOY}/unicode-profile)
set_tests_properties(deploy/unicode-profile PROPERTIES TIMEOUT 900 LABELS "long;deploy" COST 300
                     PASS_REGULAR_EXPRESSION "every script test and the table printer passed")

# The release made from this build: its folder, sums, zip, version and links, and signing
# with a throwaway certificate authority, the signed library registered and called. They need the
# packages' inputs, which the quick loop does not build.
set(release_test ${CMAKE_SOURCE_DIR}/tests/release/release-test)
add_test(NAME release/layout COMMAND ${release_test} layout ${CMAKE_BINARY_DIR}/release-test/layout)
add_test(NAME release/signed COMMAND ${release_test} signed ${CMAKE_BINARY_DIR}/release-test/signed)
set_tests_properties(release/layout PROPERTIES TIMEOUT 300 LABELS "long;release" PASS_REGULAR_EXPRESSION "release layout: all passed")
set_tests_properties(release/signed PROPERTIES TIMEOUT 600 LABELS "long;release" COST 60
                     PASS_REGULAR_EXPRESSION "release signed: all passed")
