function(korvane_set_sanitizers target)
  if(KORVANE_SANITIZE)
    target_compile_options(${target} INTERFACE
      -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
    target_link_options(${target} INTERFACE -fsanitize=address,undefined)
  endif()
endfunction()
