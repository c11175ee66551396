# Writes the linker's dynamic list for the program: every symbol the modules (MODULES, joined
# by |) take from outside themselves, and the shared objects they hold one copy of across the
# process (static data of inline functions, type information). What the program does not
# define is not exported, whatever the list says. A program with the C++ runtime linked in keeps
# that copy to itself: the shared libraries named by RUNTIME (joined by |) hold the modules' one.
#   cmake -DNM=nm -DMODULES=a.so|b.so [-DRUNTIME=c.so|d.so] -DOUTPUT=list -P ModuleExports.cmake
function(symbols_of files pattern result)
  string(REPLACE "|" ";" files "${files}")
  set(names)
  foreach(file ${files})
    execute_process(COMMAND ${NM} -D --format=posix ${file} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${NM} cannot read ${file}")
    endif()
    string(REPLACE "\n" ";" lines "${table}")
    foreach(line ${lines})
      if(line MATCHES "^([^ @]+)(@[^ ]*)? (${pattern})( |$)")
        list(APPEND names "${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endforeach()
  set(${result} ${names} PARENT_SCOPE)
endfunction()
# name type [value size]; U undefined, u unique, V weak object
symbols_of("${MODULES}" "[UuV]" names)
list(REMOVE_DUPLICATES names)
if(RUNTIME)
  symbols_of("${RUNTIME}" "[^U]" runtime)
  list(REMOVE_ITEM names ${runtime})
endif()
list(SORT names)
set(text "{\n")
foreach(name ${names})
  string(APPEND text "  \"${name}\";\n")
endforeach()
string(APPEND text "};\n")
include(${CMAKE_CURRENT_LIST_DIR}/WriteIfChanged.cmake)
write_if_changed("${OUTPUT}" "${text}")
