vt_fuzz_target(NAME profile SOURCE fuzz_profile.cpp LIBS vt_platform)
