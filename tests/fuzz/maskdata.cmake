vt_fuzz_target(NAME maskdata SOURCE fuzz_maskdata.cpp LIBS vt_recorddb vt_platform vt_res)
