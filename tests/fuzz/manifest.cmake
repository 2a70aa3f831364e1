vt_fuzz_target(NAME manifest SOURCE fuzz_manifest.cpp LIBS vtcore)
