# Read by cpack for each package it makes. A Debian package's library
# dependencies are found by dpkg-shlibdeps among the files that file(1) calls
# ELF; without either tool CPack would make the package all the same, with
# no more than a warning and without those dependencies.
if(CPACK_GENERATOR STREQUAL "DEB")
  foreach(tool dpkg-shlibdeps file)
    find_program(qz_tool_${tool} ${tool})
    if(NOT qz_tool_${tool})
      message(FATAL_ERROR "${tool} not found: it is needed to find the package's "
                          "library dependencies (Debian packages dpkg-dev and file)")
    endif()
  endforeach()
endif()
