# WinINet is loaded on first use: the installer links a delay-import library
# made with dlltool, so wininet.dll is loaded by the first WinINet call and a
# failure to load it raises the delay-load exception inside that call (the
# download client catches it). Add a function here before using it.
set(KELMOR_WININET_FUNCTIONS
  HttpAddRequestHeadersW@16 HttpQueryInfoA@20 HttpQueryInfoW@20
  InternetCanonicalizeUrlW@16 InternetCloseHandle@4 InternetCombineUrlW@20 InternetCrackUrlW@16 InternetOpenUrlW@24
  InternetOpenW@20 InternetQueryOptionW@16 InternetReadFile@16 InternetSetFilePointer@20
  InternetSetOptionW@16 InternetSetStatusCallbackW@8)

set(_def "LIBRARY wininet.dll\nEXPORTS\n")
set(_force)
foreach(fn ${KELMOR_WININET_FUNCTIONS})
  string(REGEX REPLACE "@[0-9]+$" "" plain ${fn})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(APPEND _def "  ${plain}\n")
    list(APPEND _force "-Wl,-u,${plain}")
  else()
    string(APPEND _def "  ${fn}\n")
    # The SDK declares the functions dllimport, so nothing refers to the
    # thunks; forcing them in keeps their import slots from linking as 0.
    list(APPEND _force "-Wl,-u,_${fn}")
  endif()
endforeach()
set(_dir ${CMAKE_BINARY_DIR}/generated)
file(WRITE ${_dir}/wininet_delay.def "${_def}")
set(_kill_at)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_kill_at --kill-at)
endif()
execute_process(
  COMMAND ${CMAKE_DLLTOOL} --input-def ${_dir}/wininet_delay.def --dllname wininet.dll ${_kill_at}
          --output-delaylib ${_dir}/libwininet_delay.a
  RESULT_VARIABLE _rc ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "dlltool failed for wininet: ${_err}")
endif()

add_library(kelmor_wininet_delay INTERFACE)
# The delay-load helper (__delayLoadHelper2) comes from libmingwex.
target_link_libraries(kelmor_wininet_delay INTERFACE ${_dir}/libwininet_delay.a mingwex)
target_link_options(kelmor_wininet_delay INTERFACE ${_force})
