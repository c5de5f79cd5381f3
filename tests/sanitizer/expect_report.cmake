# SPDX-License-Identifier: MIT
# Runs PROGRAM with ARG and passes only if it fails with a sanitizer report
# matching REPORT: a report that does not fail the run would go unnoticed.
execute_process(COMMAND "${PROGRAM}" "${ARG}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(rc EQUAL 0)
    message(FATAL_ERROR "'${ARG}' exited 0; its report did not fail the run:\n${out}")
endif()
if(NOT out MATCHES "${REPORT}")
    message(FATAL_ERROR "'${ARG}' failed (${rc}) without the report '${REPORT}':\n${out}")
endif()
message(STATUS "'${ARG}' failed (${rc}) with the report '${REPORT}'")
