# Included by wx_add_wine_tests for each build: the cryptography tests that need more than the unit
# program in its prefix.
#
# Method 25 against Python's `cryptography`, both ways.
add_test(NAME ${name}crypto-interop
         COMMAND env WENDRAX1_ARCH=${arch} ${CMAKE_SOURCE_DIR}/tests/interop/run-sealed-interop
                 ${bin}/wendrax1_unit.exe ${CMAKE_BINARY_DIR}/interop-${arch})
set_tests_properties(${name}crypto-interop PROPERTIES FIXTURES_REQUIRED ${prefix} TIMEOUT 600
                     LABELS "unit;crypto" RESOURCE_LOCK unit-crypto-${arch})
# Texts, passwords, record files and stored data under other system code pages (Wine takes the
# code page from LC_ALL: 932 Japanese, 1251 Cyrillic; the other runs have 1252). Wine rewrites the
# prefix's regional settings when a program starts under another locale than the last: these runs
# hold every lock of their prefix, and the next program puts the settings back.
foreach(locale ja_JP.UTF-8 ru_RU.UTF-8)
  add_test(NAME ${name}unit/crypto-${locale}
           COMMAND env LC_ALL=${locale} ${unit} --gtest_filter=CryptoCodePage.*:SecretFilesCodePage.*:CryptoStored.*)
  set_tests_properties(${name}unit/crypto-${locale} PROPERTIES FIXTURES_REQUIRED "${prefix};${registered}"
                       TIMEOUT 600 LABELS "unit;crypto" RESOURCE_LOCK "${unit_locks};host-${arch}")
endforeach()
