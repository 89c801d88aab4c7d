# Turns src/exports.txt, the one list of exported names, into the .def file of
# the DLL or the version script of the shared object.
#   name      exported now
#   #- name   declared in the header, not built yet
#   # text    comment
function(hostutil_read_exports list_file out_var)
  file(STRINGS ${list_file} lines)
  set(names)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    list(APPEND names ${line})
  endforeach()
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()

function(hostutil_export_file list_file out_file)
  hostutil_read_exports(${list_file} names)
  if(WIN32)
    set(text "LIBRARY hostutil.dll\nEXPORTS\n")
    foreach(n IN LISTS names)
      string(APPEND text "    ${n}\n")
    endforeach()
  else()
    set(text "{\n  global:\n")
    foreach(n IN LISTS names)
      string(APPEND text "    ${n};\n")
    endforeach()
    string(APPEND text "  local:\n    *;\n};\n")
  endif()
  file(CONFIGURE OUTPUT ${out_file} CONTENT "${text}")
endfunction()
