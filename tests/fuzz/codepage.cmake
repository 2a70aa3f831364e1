vt_fuzz_target(NAME codepage SOURCE fuzz_codepage.cpp LIBS vt_platform)
