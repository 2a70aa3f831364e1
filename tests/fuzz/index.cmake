vt_fuzz_target(NAME index SOURCE fuzz_index.cpp LIBS vt_recorddb vt_platform vt_res)
