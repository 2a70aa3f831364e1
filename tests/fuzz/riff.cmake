vt_fuzz_target(NAME riff SOURCE fuzz_riff.cpp LIBS vt_playcore)
