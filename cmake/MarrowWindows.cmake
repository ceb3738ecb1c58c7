# Build helpers for the Windows cross builds (included when WIN32).

# marrow_stdcall_exports(<target> <list file>)
# Exports exactly the functions named in the list (one decorated 32-bit name
# per line, "_name@bytes"; '#' starts a comment). The 32-bit DLL exports the
# names as written and its import library (rewritten with dlltool after the
# link) resolves the compiler's __stdcall symbols to them; the 64-bit DLL,
# which has one calling convention, exports the bare names.
function(marrow_stdcall_exports target list)
  file(STRINGS ${list} lines REGEX "^_[A-Za-z0-9_]+@[0-9]+$")
  set(exports "")
  set(imports "")
  foreach(line ${lines})
    string(REGEX REPLACE "^_([A-Za-z0-9_]+)@([0-9]+)$" "\\1" bare ${line})
    string(REGEX REPLACE "^_([A-Za-z0-9_]+@[0-9]+)$" "\\1" symbol ${line})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      # The link's .def names symbols without the 32-bit leading underscore.
      string(APPEND exports "  ${line} = ${symbol}\n")
      string(APPEND imports "  ${symbol} == ${line}\n")
    else()
      string(APPEND exports "  ${bare}\n")
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list})
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  file(WRITE ${def} "EXPORTS\n${exports}")
  target_sources(${target} PRIVATE ${def})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(import_def ${CMAKE_CURRENT_BINARY_DIR}/${target}_import.def)
    file(GENERATE OUTPUT ${import_def}
      CONTENT "LIBRARY $<TARGET_FILE_NAME:${target}>\nEXPORTS\n${imports}")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_DLLTOOL} -d ${import_def} -l $<TARGET_LINKER_FILE:${target}>
      COMMENT "Import library of ${target} with the decorated 32-bit names")
  endif()
endfunction()
