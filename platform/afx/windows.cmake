# The windows layer of the afx stand-in: windows, controls, message maps, dialogs, property
# pages and sheets, data exchange, message boxes, file dialogs, menus and the user script.
target_sources(parvel_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/wnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/propsheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ddx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msgbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/menu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filedlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_script.cpp
)
