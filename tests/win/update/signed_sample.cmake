# Signs SAMPLE as build 3 with scripts/sign-update.py and KEY, and writes the
# two reply values as constants of the header OUT (sample_sha256, sample_sig).
execute_process(COMMAND python3 ${SCRIPT} ${KEY} ${SAMPLE} 3 OUTPUT_VARIABLE keys RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "sign-update.py failed: ${failed}")
endif()
string(REGEX REPLACE "([a-z0-9]+)=([0-9a-f]+)\n" "constexpr const char* sample_\\1 = \"\\2\";\n" header "${keys}")
file(WRITE ${OUT} "${header}")
