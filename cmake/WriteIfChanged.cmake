# write_if_changed(FILE TEXT): writes TEXT to FILE unless FILE holds it already, so that what
# depends on FILE is not built again for nothing.
function(write_if_changed file text)
  if(EXISTS "${file}")
    file(READ "${file}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${file}" "${text}")
endfunction()
