# Test pieces of the distribution configuration: package resources for the
# unit tests, the branded installer variant, signed copies for the tag tests
# and the native fuzz targets.

# unit_tests.exe carries the product's resources, packages included.
add_dependencies(unit_tests kelmor_packages)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/lite_installer.rc
  DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
  PROPERTIES OBJECT_DEPENDS "${KELMOR_RC_DEPENDS}")

# A branded installer as a distributor would build it: a partner package and
# two named brands (ua_uk and tb; ua_ru and kelmor deliberately missing).
set(branded_rc ${CMAKE_BINARY_DIR}/generated/variants/lite_installer_branded.rc)
set(branded_packages_rc ${CMAKE_BINARY_DIR}/generated/variants/packages_branded.rc)
set(test_packages ${CMAKE_CURRENT_SOURCE_DIR}/data/config)
kelmor_brand_packages(NAME branded RC ${branded_packages_rc} TARGET kelmor_packages_branded
                      DEFAULT ${CMAKE_SOURCE_DIR}/resources/brand_packages/brand_config.json
                      PARTNER ${test_packages}/partner_config.json
                      BRANDS ua_uk=${test_packages}/brands/ua_uk.json tb=${test_packages}/brands/tb.json)
add_dependencies(kelmor_packages_branded kelmor_packages)  # the signing key
file(CONFIGURE OUTPUT ${branded_rc} CONTENT
"// Generated: the installer's resources with the branded package set.
#define KELMOR_PACKAGES_INCLUDED
#include \"${branded_packages_rc}\"
#include \"lite_installer.rc\"
")
add_executable(lite_installer_branded WIN32
               ${CMAKE_SOURCE_DIR}/installer/app/lite_installer_main.cc ${branded_rc})
set_source_files_properties(${branded_rc} PROPERTIES OBJECT_DEPENDS
                            "${KELMOR_RC_DEPENDS};${kelmor_packages_branded_OUTPUTS};${branded_packages_rc}")
kelmor_use_delay_libraries(lite_installer_branded ${KELMOR_LAYER_LIBS})
target_link_libraries(lite_installer_branded PRIVATE ${KELMOR_SYSTEM_DLLS} uuid)
target_link_options(lite_installer_branded PRIVATE -municode -mwindows -s)
add_dependencies(lite_installer_branded kelmor_resources kelmor_packages_branded)

# Signed copies of both installers for the tag tests (material made in the
# build folder).
set(signing_dir ${CMAKE_BINARY_DIR}/config-signing)
set(signed_outputs)
foreach(exe lite_installer lite_installer_branded)
  add_custom_command(OUTPUT ${signing_dir}/${exe}_signed.exe
    COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/config/test_signer.py sign ${signing_dir}
            $<TARGET_FILE:${exe}> ${signing_dir}/${exe}_signed.exe
    DEPENDS ${exe} ${CMAKE_CURRENT_SOURCE_DIR}/config/test_signer.py
    COMMENT "Signing ${exe} for the tag tests")
  list(APPEND signed_outputs ${signing_dir}/${exe}_signed.exe)
endforeach()
add_custom_target(kelmor_signed_installers ALL DEPENDS ${signed_outputs})

# Fuzz targets of the pure parsers, built natively with clang and libFuzzer
# by the first fuzz test of a run, then each run for a bounded time.
set(KELMOR_FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzz target runs in the suite")
add_test(NAME fuzz_build COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run_fuzzer build
         ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/fuzz)
set_tests_properties(fuzz_build PROPERTIES FIXTURES_SETUP kelmor_fuzzers LABELS fuzz TIMEOUT 600)
foreach(fuzzer json_fuzzer installer_tag_fuzzer distrib_params_fuzzer link_markup_fuzzer
                download_logic_fuzzer base64_fuzzer feature_overrides_fuzzer command_line_fuzzer
                cabinet_extraction_fuzzer information_stream_fuzzer)
  add_test(NAME fuzz_${fuzzer} COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run_fuzzer run
           ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/fuzz ${fuzzer} ${KELMOR_FUZZ_SECONDS})
  set_tests_properties(fuzz_${fuzzer} PROPERTIES FIXTURES_REQUIRED kelmor_fuzzers LABELS fuzz
                       TIMEOUT 600)
endforeach()
