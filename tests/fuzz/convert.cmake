vt_fuzz_target(NAME convert SOURCE fuzz_convert.cpp LIBS vt_snapcore vt_skincore vt_platform)
