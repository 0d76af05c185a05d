parvel_add_fuzzer(profile_fuzz SOURCES profile_fuzz.cpp)
