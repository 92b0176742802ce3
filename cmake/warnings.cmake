function(korvane_set_warnings target)
  target_compile_options(${target} INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion
    -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough
    -Werror)
endfunction()
