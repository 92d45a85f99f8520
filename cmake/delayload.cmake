# Delay loading of system libraries: each DLL named here is loaded on first
# use through the delay-load helper, whose notification hook reports a
# missing library or function (installer/app/delay_load_hook.cc).
#
# The import libraries of mingw-w64 are turned into delay-import libraries:
# a .def is made from the exports that the regular import library lists,
# then dlltool writes the delay library. On i686 the SDK's dllimport
# declarations reference the __imp_ slots directly, and such a slot links as
# 0 unless its thunk is pulled in, so every function the code uses from a
# delayed DLL is forced with -u (a response file made from the libraries'
# undefined symbols).

set(KELMOR_DELAY_DIR ${CMAKE_BINARY_DIR}/delayload)
file(MAKE_DIRECTORY ${KELMOR_DELAY_DIR})

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(_kill_at -k)
else()
  set(_kill_at)
endif()
set(_triplet ${TOOLCHAIN_PREFIX})
set(_nm ${_triplet}-nm)

# kelmor_delay_library(<dll base name> [DEF <def file>]): lib<name>_delay.a
function(kelmor_delay_library name)
  cmake_parse_arguments(ARG "" "DEF;DLL" "" ${ARGN})
  set(dll ${name}.dll)
  if(ARG_DLL)
    set(dll ${ARG_DLL})
  endif()
  set(lib ${KELMOR_DELAY_DIR}/lib${name}_delay.a)
  if(ARG_DEF)
    set(def ${ARG_DEF})
    set(def_command)
  else()
    set(def ${KELMOR_DELAY_DIR}/${name}.def)
    set(def_command COMMAND ${CMAKE_SOURCE_DIR}/cmake/import-lib-to-def ${_nm}
                    /usr/${_triplet}/lib/lib${name}.a ${dll} ${def})
  endif()
  add_custom_command(OUTPUT ${lib}
    ${def_command}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib ${lib} ${_kill_at}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/import-lib-to-def ${ARG_DEF}
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY KELMOR_DELAY_LIBS ${lib})
  set_property(GLOBAL APPEND PROPERTY KELMOR_DELAY_DEFS ${def})
endfunction()

# kelmor_use_delay_libraries(<target> <static libs whose imports to force>)
function(kelmor_use_delay_libraries target)
  get_property(libs GLOBAL PROPERTY KELMOR_DELAY_LIBS)
  get_property(defs GLOBAL PROPERTY KELMOR_DELAY_DEFS)
  add_custom_target(${target}_delay_libs DEPENDS ${libs})
  add_dependencies(${target} ${target}_delay_libs)
  set(rsp ${KELMOR_DELAY_DIR}/${target}_forced.rsp)
  set(archives)
  foreach(lib_target ${ARGN})
    list(APPEND archives $<TARGET_FILE:${lib_target}>)
  endforeach()
  add_custom_command(OUTPUT ${rsp}
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/delay-forced-symbols ${_nm} ${rsp}
            "${CMAKE_SYSTEM_PROCESSOR}" ${defs} -- ${archives}
    DEPENDS ${libs} ${ARGN} ${CMAKE_SOURCE_DIR}/cmake/delay-forced-symbols
    VERBATIM)
  add_custom_target(${target}_forced DEPENDS ${rsp})
  add_dependencies(${target} ${target}_forced)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${rsp})
  target_link_options(${target} PRIVATE "@${rsp}")
  # The archives, then the delay libraries, so that these, not the regular
  # import libraries after them, resolve the functions of the delayed DLLs.
  target_link_libraries(${target} PRIVATE ${ARGN} ${libs})
endfunction()
