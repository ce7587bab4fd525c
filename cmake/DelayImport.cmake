# Delay-loaded system libraries. A program's import table names only DLLs that
# Windows loads from its own folder whatever lies beside the program (the
# KnownDLLs; comctl32 comes through the manifest). Every other system DLL the
# program uses is linked through a delay-import library instead: it is loaded
# when first called, after the program has told the loader to look in the
# system folder only (SetDefaultDllDirectories at start). So a file of that
# name in the program's folder (a Downloads folder) never runs inside it, and
# a widget at rest does not carry libraries it has not used (the common
# dialogs, for one, bring the print spooler and its libraries along, and only
# the colour picker of the settings uses them).
#
# zeb_delay_import(NAME) makes the library NAME_delay from the toolchain's
# import library libNAME.a, at configure time: a definition file of every
# function it imports, turned into a delay-import library by dlltool.
get_filename_component(_zeb_tool_dir ${CMAKE_C_COMPILER} DIRECTORY)
string(REGEX REPLACE "-gcc(-posix)?$" "" _zeb_triple_path ${CMAKE_C_COMPILER})
get_filename_component(_zeb_triple ${_zeb_triple_path} NAME)
find_program(ZEB_DLLTOOL ${_zeb_triple}-dlltool REQUIRED)
find_program(ZEB_NM ${_zeb_triple}-nm REQUIRED)

function(zeb_delay_import name)
  find_library(_zeb_import_${name} NAMES lib${name}.a REQUIRED NO_CACHE)
  set(out ${CMAKE_BINARY_DIR}/delay)
  file(MAKE_DIRECTORY ${out})
  execute_process(COMMAND ${ZEB_NM} --defined-only ${_zeb_import_${name}}
                  OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
  # "__imp_Name" (x86_64), "__imp__Name@N" (i686, stdcall) or "__imp__Name".
  string(REGEX MATCHALL " I __imp_[^\n]+" imports "${symbols}")
  set(def "LIBRARY ${name}.dll\nEXPORTS\n")
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "^ I __imp_" "" function "${import}")
    if(ZEB_WIN_ARCH STREQUAL "i686")
      string(REGEX REPLACE "^_" "" function "${function}")
    endif()
    string(APPEND def "${function}\n")
  endforeach()
  file(WRITE ${out}/${name}.def "${def}")
  execute_process(COMMAND ${ZEB_DLLTOOL} --kill-at --input-def ${out}/${name}.def
                          --output-delaylib ${out}/lib${name}_delay.a
                  COMMAND_ERROR_IS_FATAL ANY)
  add_library(${name}_delay STATIC IMPORTED GLOBAL)
  set_target_properties(${name}_delay PROPERTIES IMPORTED_LOCATION ${out}/lib${name}_delay.a)
endfunction()
