# End-to-end checks of tessary-cli, run by CTest with -DCLI=... -DWORK=...
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run_cli expected_code out_var)
  execute_process(COMMAND "${CLI}" ${ARGN}
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${code}" STREQUAL "${expected_code}")
    message(FATAL_ERROR "tessary-cli ${ARGN}: exit ${code}, expected ${expected_code}\n${out}\n${err}")
  endif()
  set(${out_var} "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_contains text needle)
  string(FIND "${text}" "${needle}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected to find '${needle}' in:\n${text}")
  endif()
endfunction()

# Help documents every option.
run_cli(0 help --help)
foreach(option --simulate --trace info)
  expect_contains("${help}" "${option}")
endforeach()

# The simulated programmer's identity, with a trace of the exact frames.
run_cli(0 info_out --simulate --trace t.txt info)
foreach(line "Model:     Velor" "Firmware:  " "Hardware:  " "Serial:    " "Catalogue: V1.0.0")
  expect_contains("${info_out}" "${line}")
endforeach()
file(READ "${WORK}/t.txt" trace)
foreach(frame "OUT 02 10 00 01 00 00 03 B4" "OUT 02 11 00 01 00 00" "OUT 02 12 00 01 00 00"
              "OUT 02 13 00 01 00 00" " IN 02 10 00 01 ")
  expect_contains("${trace}" "${frame}")
endforeach()

# The catalogue, filtered; a quote in the text is just text.
run_cli(0 chips --simulate chips --type "25 FLASH" --manufacturer winbond W25Q64)
expect_contains("${chips}" "W25Q64")
expect_contains("${chips}" "EF4017")
expect_contains("${chips}" "8MB")
run_cli(0 nothing chips "it's")
expect_contains("${nothing}" "No chip matches")

# A config file that is not there is an error that names it.
run_cli(1 bad_config --simulate=missing.ini info)
expect_contains("${bad_config}" "missing.ini")

# No programmer: a clear message and a non-zero exit.
run_cli(2 offline info)
expect_contains("${offline}" "No programmer found")
