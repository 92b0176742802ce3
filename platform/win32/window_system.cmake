# The Win32 window system of the Windows program: frames, views, menus,
# dialogs, timers, the caret and GDI drawing as real Win32 windows.
# Included by this folder's CMakeLists.txt in the Windows build.
add_library(korvane_win32_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/win32_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_common_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_shell_registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/icon_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_window_system.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cell_page.cpp)
target_link_libraries(korvane_win32_window PUBLIC korvane_desktop
  user32 gdi32 comdlg32 shell32 advapi32)
