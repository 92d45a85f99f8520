# Test pieces of the distribution configuration: package resources for the
# unit tests, the branded installer variant, signed copies for the tag tests
# and the native fuzz targets.

# unit_tests.exe carries the product's resources, packages included.
add_dependencies(unit_tests kelmor_packages)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/lite_installer.rc
  DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
  PROPERTIES OBJECT_DEPENDS "${KELMOR_RC_DEPENDS}")
