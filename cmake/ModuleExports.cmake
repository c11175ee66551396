# Writes the linker's dynamic list for the program: every symbol the modules (MODULES, joined
# by |) take from outside themselves, and the shared objects they hold one copy of across the
# process (static data of inline functions, type information). What the program does not
# define is not exported, whatever the list says.
#   cmake -DNM=nm -DMODULES=a.so|b.so -DOUTPUT=list -P ModuleExports.cmake
string(REPLACE "|" ";" modules "${MODULES}")
set(names)
foreach(module ${modules})
  execute_process(COMMAND ${NM} -D --format=posix ${module} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} cannot read ${module}")
  endif()
  string(REPLACE "\n" ";" lines "${table}")
  foreach(line ${lines})
    # name type [value size]; U undefined, u unique, V weak object
    if(line MATCHES "^([^ @]+)(@[^ ]*)? ([UuV])( |$)")
      list(APPEND names "${CMAKE_MATCH_1}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
set(text "{\n")
foreach(name ${names})
  string(APPEND text "  \"${name}\";\n")
endforeach()
string(APPEND text "};\n")
include(${CMAKE_CURRENT_LIST_DIR}/WriteIfChanged.cmake)
write_if_changed("${OUTPUT}" "${text}")
