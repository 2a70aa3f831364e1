vt_fuzz_target(NAME dib SOURCE fuzz_dib.cpp LIBS vt_skincore vt_platform)
