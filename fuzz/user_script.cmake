# The user-script text the host answers dialogs and boxes from.
parvel_add_fuzzer(user_script_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/user_script_fuzz.cpp)
