# The windows layer of the afx stand-in: windows, controls, message maps, dialogs, property
# pages and sheets, data exchange, message boxes, file dialogs, menus, the user script and
# the bounded excerpts of texts that its messages and the host's quote.
target_sources(parvel_platform PRIVATE wnd.cpp controls.cpp dialog.cpp propsheet.cpp ddx.cpp
  msgbox.cpp menu.cpp filedlg.cpp user_script.cpp message_text.cpp)
