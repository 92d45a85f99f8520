# Service hosts are build configuration. Release builds keep the production
# defaults; KELMOR_TEST_BUILD points every host at the local service stand.
option(KELMOR_TEST_BUILD "Point the service hosts at the local stand and enable test hooks" ON)

if(KELMOR_TEST_BUILD)
  set(_default_scheme "http")
  set(KELMOR_STAND_PORT 18080 CACHE STRING "Port of the local service stand in test builds")
  set(_stand "localhost:${KELMOR_STAND_PORT}")
  set(KELMOR_DOWNLOAD_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_API_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_STAT_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_CRASH_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_SITE_HOST_DEFAULT "${_default_scheme}://${_stand}")
else()
  set(KELMOR_DOWNLOAD_HOST_DEFAULT "https://download.kelmor.example")
  set(KELMOR_API_HOST_DEFAULT "https://api.browser.kelmor.example")
  set(KELMOR_STAT_HOST_DEFAULT "https://stat.kelmor.example")
  set(KELMOR_CRASH_HOST_DEFAULT "https://crash.kelmor.example")
  set(KELMOR_SITE_HOST_DEFAULT "https://browser.kelmor.example")
endif()

set(KELMOR_DOWNLOAD_HOST "${KELMOR_DOWNLOAD_HOST_DEFAULT}" CACHE STRING "Download network (setup archive, slides)")
set(KELMOR_API_HOST "${KELMOR_API_HOST_DEFAULT}" CACHE STRING "Browser API host (seeds, configs, events)")
set(KELMOR_STAT_HOST "${KELMOR_STAT_HOST_DEFAULT}" CACHE STRING "Installation statistics host")
set(KELMOR_CRASH_HOST "${KELMOR_CRASH_HOST_DEFAULT}" CACHE STRING "Crash-report host")
set(KELMOR_SITE_HOST "${KELMOR_SITE_HOST_DEFAULT}" CACHE STRING "Browser site (support, download pages)")
# Shown to the user (string 428), never requested.
set(KELMOR_SEARCH_SITE_NAME "kelmor.example" CACHE STRING "Short host name of the search site, as the texts name it")

configure_file(${CMAKE_CURRENT_LIST_DIR}/build_config.h.in ${CMAKE_BINARY_DIR}/generated/build_config.h @ONLY)
