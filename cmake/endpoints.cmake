# Service hosts are build configuration. Release builds keep the production
# defaults; KELMOR_TEST_BUILD points every host at the local service stand.
option(KELMOR_TEST_BUILD "Test configuration: the service hosts point at the local stand, test hooks compiled in" OFF)

if(KELMOR_TEST_BUILD)
  set(_default_scheme "http")
  set(KELMOR_STAND_PORT 18080 CACHE STRING "Port of the local service stand in test builds")
  set(_stand "localhost:${KELMOR_STAND_PORT}")
  set(KELMOR_STAND_ORIGIN "${_default_scheme}://${_stand}")
  set(KELMOR_DOWNLOAD_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_API_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_STAT_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_CRASH_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_SITE_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_API_RU_HOST_DEFAULT "${_default_scheme}://${_stand}")
  set(KELMOR_LEGAL_HOST_DEFAULT "${_default_scheme}://${_stand}/legal")
  set(KELMOR_WEBNTP_HOST_DEFAULT "${_default_scheme}://${_stand}")
  # The zone is appended to the stem: http://localhost:<port>/site/browser.kelmor.ru/download
  set(KELMOR_SITE_STEM_DEFAULT "${_default_scheme}://${_stand}/site/browser.kelmor")
  set(KELMOR_REGIONAL_SITE_STEM_DEFAULT "${_default_scheme}://${_stand}/site/kelmor")
else()
  set(KELMOR_DOWNLOAD_HOST_DEFAULT "https://download.kelmor.example")
  set(KELMOR_API_HOST_DEFAULT "https://api.browser.kelmor.example")
  set(KELMOR_STAT_HOST_DEFAULT "https://stat.kelmor.example")
  set(KELMOR_CRASH_HOST_DEFAULT "https://crash.kelmor.example")
  set(KELMOR_SITE_HOST_DEFAULT "https://browser.kelmor.example")
  set(KELMOR_API_RU_HOST_DEFAULT "https://api.browser.kelmor.ru.example")
  set(KELMOR_LEGAL_HOST_DEFAULT "https://legal.kelmor.ru.example")
  set(KELMOR_WEBNTP_HOST_DEFAULT "https://ntp.kelmor.ru.example")
  set(KELMOR_SITE_STEM_DEFAULT "https://browser.kelmor")
  set(KELMOR_REGIONAL_SITE_STEM_DEFAULT "https://kelmor")
endif()

set(KELMOR_DOWNLOAD_HOST "${KELMOR_DOWNLOAD_HOST_DEFAULT}" CACHE STRING "Download network (setup archive, slides)")
set(KELMOR_API_HOST "${KELMOR_API_HOST_DEFAULT}" CACHE STRING "Browser API host (seeds, configs, events)")
set(KELMOR_STAT_HOST "${KELMOR_STAT_HOST_DEFAULT}" CACHE STRING "Installation statistics host")
set(KELMOR_CRASH_HOST "${KELMOR_CRASH_HOST_DEFAULT}" CACHE STRING "Crash-report host")
set(KELMOR_SITE_HOST "${KELMOR_SITE_HOST_DEFAULT}" CACHE STRING "Browser site (support, download pages)")
# Hosts of the brand record's defaults (each may be overridden by a brand package).
set(KELMOR_API_RU_HOST "${KELMOR_API_RU_HOST_DEFAULT}" CACHE STRING "Browser API host, Russian zone (A/B-testing seed)")
set(KELMOR_LEGAL_HOST "${KELMOR_LEGAL_HOST_DEFAULT}" CACHE STRING "Legal site, Russian zone (licence, privacy policy)")
set(KELMOR_WEBNTP_HOST "${KELMOR_WEBNTP_HOST_DEFAULT}" CACHE STRING "New-tab content host, Russian zone")
set(KELMOR_SITE_STEM "${KELMOR_SITE_STEM_DEFAULT}" CACHE STRING
    "Scheme and host stem of the regional browser site; \".<zone>/download\" is appended")
set(KELMOR_REGIONAL_SITE_STEM "${KELMOR_REGIONAL_SITE_STEM_DEFAULT}" CACHE STRING
    "Scheme and host stem of the regional Kelmor site (support pages); \".<zone>\" is appended")
# The test configuration's hosts follow the stand's port: they are derived
# again at every configure (a changed KELMOR_STAND_PORT reaches them), not
# kept from the first one.
if(KELMOR_TEST_BUILD)
  foreach(_host DOWNLOAD_HOST API_HOST STAT_HOST CRASH_HOST SITE_HOST API_RU_HOST LEGAL_HOST
                WEBNTP_HOST SITE_STEM REGIONAL_SITE_STEM)
    set(KELMOR_${_host} "${KELMOR_${_host}_DEFAULT}")
  endforeach()
endif()
# Shown to the user (string 428), never requested.
set(KELMOR_SEARCH_SITE_NAME "kelmor.example" CACHE STRING "Short host name of the search site, as the texts name it")

configure_file(${CMAKE_CURRENT_LIST_DIR}/build_config.h.in ${CMAKE_BINARY_DIR}/generated/build_config.h @ONLY)
