# The Windows build: what it cannot have, and the Wine prefix its programs
# run in on this machine.
foreach(option KORVANE_QT KORVANE_SANITIZE KORVANE_FUZZ KORVANE_BENCH)
  if(${option})
    message(FATAL_ERROR "${option} is for the Linux build; the Windows build has no use for it")
  endif()
endforeach()

# Tests and build-time tools run in a prefix of this build's own, so that they
# never touch the user's ~/.wine and a fresh clone needs nothing set up by hand.
# The prefix is made once, before anything runs in it: programs started at the
# same time in a prefix that does not exist yet race to create it.
find_program(KORVANE_WINE NAMES wine wine64 REQUIRED)
find_program(KORVANE_WINESERVER NAMES wineserver REQUIRED)
set(KORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
set(KORVANE_WINE_ENV
  WINEPREFIX=${KORVANE_WINEPREFIX}
  WINEDEBUG=-all
  # No prompts to install the .NET and HTML runtimes.
  WINEDLLOVERRIDES=mscoree,mshtml=)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${KORVANE_WINE_ENV} ${KORVANE_WINE})

# Wine's own messages while it sets the prefix up (a 64-bit-only Wine misses
# its 32-bit helpers, harmlessly) go to a log beside it.
set(wineboot_log ${CMAKE_BINARY_DIR}/wineboot.log)
add_custom_command(
  OUTPUT ${KORVANE_WINEPREFIX}/system.reg
  COMMAND ${CMAKE_COMMAND} -E env ${KORVANE_WINE_ENV}
          sh -c "'${KORVANE_WINE}' wineboot --init >'${wineboot_log}' 2>&1 && '${KORVANE_WINESERVER}' -w"
  COMMENT "Making the Wine prefix the tests run in"
  VERBATIM)
add_custom_target(korvane_wine_prefix DEPENDS ${KORVANE_WINEPREFIX}/system.reg)
