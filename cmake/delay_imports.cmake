# Delay-import libraries (dlltool --output-delaylib) for the system libraries of the windows:
# a function of theirs is found, and its library loaded, by its first call (mingw-w64's
# __delayLoadHelper2), not when the program starts. /audit shows no window, and so starts
# without the window system, as fast as a program that only reads the registry; the windows
# load the same libraries a moment later.
#
# Each library holds the functions that tests/win32/xp_imports.txt (and, for the 64-bit
# program, x64_imports.txt) lists for its DLL: those known to exist on the oldest Windows the
# program is for. A function missing from the lists is imported the ordinary way, where
# tests/win32/check_imports.sh finds it and fails until it is checked and listed.
#
# user32 and gdi32 are known DLLs, always the system folder's; comctl32 is found through the
# program's manifest (common controls 6), as for an ordinary import.

# brisko_delay_imports(RESULT DLL...): the delay-import libraries of the DLLs ("user32"), in
# RESULT, for target_link_libraries before the ordinary import libraries.
function(brisko_delay_imports result)
  set(lists ${PROJECT_SOURCE_DIR}/tests/win32/xp_imports.txt)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND lists ${PROJECT_SOURCE_DIR}/tests/win32/x64_imports.txt)
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${lists})
  set(listed "")
  foreach(list IN LISTS lists)
    file(STRINGS ${list} lines REGEX "^[a-z0-9]+\\.dll [A-Za-z0-9_]+$")
    list(APPEND listed ${lines})
  endforeach()
  set(libraries "")
  foreach(dll IN LISTS ARGN)
    find_library(importLibrary_${dll} NAMES lib${dll}.a REQUIRED)
    # The import library's own names: stdcall's "_Name@8" for 32 bits, "Name" for 64.
    execute_process(COMMAND ${CMAKE_NM} -g ${importLibrary_${dll}} OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot read ${importLibrary_${dll}} with ${CMAKE_NM}")
    endif()
    set(definitions "LIBRARY ${dll}.dll\nEXPORTS\n")
    foreach(line IN LISTS listed)
      if(NOT line MATCHES "^${dll}\\.dll ([A-Za-z0-9_]+)$")
        continue()
      endif()
      set(function ${CMAKE_MATCH_1})
      if(NOT symbols MATCHES " I __imp__?(${function}(@[0-9]+)?)\n")
        message(FATAL_ERROR "${dll}.dll ${function} is not in ${importLibrary_${dll}}")
      endif()
      string(APPEND definitions "  ${CMAKE_MATCH_1}\n")
    endforeach()
    set(folder ${CMAKE_BINARY_DIR}/delay_imports)
    file(MAKE_DIRECTORY ${folder})
    file(WRITE ${folder}/${dll}.def.new "${definitions}")
    configure_file(${folder}/${dll}.def.new ${folder}/${dll}.def COPYONLY)  # kept if unchanged
    set(library ${folder}/lib${dll}_delay.a)
    set(killAt "")
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(killAt --kill-at)  # imported by plain name, as the DLL exports it
    endif()
    add_custom_command(OUTPUT ${library}
                       COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${dll}.def
                               --output-delaylib ${library} --dllname ${dll}.dll ${killAt}
                       DEPENDS ${folder}/${dll}.def VERBATIM)
    list(APPEND libraries ${library})
  endforeach()
  add_custom_target(brisko_delay_imports DEPENDS ${libraries})
  set(${result} ${libraries} PARENT_SCOPE)
endfunction()
