function(korvane_set_warnings target)
  target_compile_options(${target} INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion
    -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough
    -Werror)
  # GCC 12 reports -Wrestrict inside std::string's own concatenation at -O2
  # and above, a false positive in the library headers, not in our code.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} INTERFACE -Wno-restrict)
  endif()
endfunction()
