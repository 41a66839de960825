# The installed form, end to end, run by CTest with -DBUILD_DIR -DWORK
# -DSOURCE_DIR -DBUILDER: install into a temporary prefix, run the installed
# tessary-cli with a temporary HOME, add a user chip, start again, upgrade
# the catalogue, and check that nothing was written under the prefix.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(prefix "${WORK}/prefix")
set(home "${WORK}/home")
set(cli "${prefix}/bin/tessary-cli")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "install failed (${code}):\n${out}\n${err}")
endif()

foreach(file bin/tessary-cli share/tessary/login.dat share/tessary/EN.ini share/tessary/CN.ini
             share/tessary/TC.ini share/tessary/simulator.ini share/tessary/Icon/Mass.bmp
             lib/udev/rules.d/70-tessary.rules share/doc/tessary/copyright)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(READ "${prefix}/lib/udev/rules.d/70-tessary.rules" rule)
foreach(needle "ATTR{idVendor}==\"1a86\"" "ATTR{idProduct}==\"4567\"" "TAG+=\"uaccess\"")
  string(FIND "${rule}" "${needle}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the udev rule lacks ${needle}:\n${rule}")
  endif()
endforeach()

# Every file under the prefix with its time and size: compared after the runs.
function(snapshot out_var)
  file(GLOB_RECURSE files LIST_DIRECTORIES true "${prefix}/*")
  list(SORT files)
  set(result "")
  foreach(f ${files})
    file(TIMESTAMP "${f}" when "%Y%m%d%H%M%S" UTC)
    set(size "")
    if(NOT IS_DIRECTORY "${f}")
      file(SIZE "${f}" size)
    endif()
    string(APPEND result "${f} ${when} ${size}\n")
  endforeach()
  set(${out_var} "${result}" PARENT_SCOPE)
endfunction()

# Runs the installed tool with HOME=${home}, the XDG variables unset unless
# given as NAME=VALUE in ENV.
function(run_installed expected_code out_var)
  cmake_parse_arguments(RUN "" "" "ENV;ARGS" ${ARGN})
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env --unset=XDG_CONFIG_HOME --unset=XDG_DATA_HOME
            --unset=XDG_CACHE_HOME "HOME=${home}" ${RUN_ENV} "${cli}" ${RUN_ARGS}
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${code}" STREQUAL "${expected_code}")
    message(FATAL_ERROR "tessary-cli ${RUN_ARGS}: exit ${code}, expected ${expected_code}\n${out}\n${err}")
  endif()
  set(${out_var} "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_contains text needle)
  string(FIND "${text}" "${needle}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected to find '${needle}' in:\n${text}")
  endif()
endfunction()

function(expect_missing text needle)
  string(FIND "${text}" "${needle}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "did not expect '${needle}' in:\n${text}")
  endif()
endfunction()

snapshot(before)

# First start: the catalogue is copied into the user's data folder.
run_installed(0 first ARGS chips W25Q64)
expect_contains("${first}" "W25Q64")
expect_contains("${first}" "copied to ${home}/.local/share/tessary/login.dat")
set(user_catalogue "${home}/.local/share/tessary/login.dat")
foreach(folder "${home}/.config/tessary" "${home}/.local/share/tessary/records"
               "${home}/.local/share/tessary/iap" "${home}/.cache/tessary/temp")
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "the installed tool did not make ${folder}")
  endif()
endforeach()

# A user chip, added as the chip window adds one (Adder USER).
find_program(SQLITE3 sqlite3 REQUIRED)
execute_process(COMMAND "${SQLITE3}" "${user_catalogue}"
  "INSERT INTO ChipName (ChipName,ChipType,ManufName,MemoryType,Capacity,PageSize,BlockSize,OTPSize,Voltage,ChipID,ChipPara,ChipPara1,EraseTime,Adder) SELECT 'MYCHIP77',ChipType,'MYMAKER',MemoryType,Capacity,PageSize,BlockSize,OTPSize,Voltage,'AB7777',ChipPara,ChipPara1,EraseTime,'USER' FROM ChipName WHERE ChipName='W25Q64' LIMIT 1"
  RESULT_VARIABLE code ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "adding the user chip failed: ${err}")
endif()

# A second start keeps it, and copies nothing again.
run_installed(0 second ARGS chips MYCHIP77)
expect_contains("${second}" "MYCHIP77")
expect_missing("${second}" "copied to")
run_installed(0 version_before ARGS --simulate info)
expect_contains("${version_before}" "Catalogue: V1.1.0")

# The settings of the chip commands live in the user's config folder.
file(WRITE "${home}/.config/tessary/dev.ini" "[PrjInfo]\nErase=0\nWrite=0\nVerify=0\n")
file(WRITE "${WORK}/data.bin" "data")
run_installed(1 steps_off ARGS --simulate auto --chip W25Q64 data.bin)
expect_contains("${steps_off}" "${home}/.config/tessary/dev.ini")

snapshot(after_runs)
if(NOT before STREQUAL after_runs)
  message(FATAL_ERROR "the installed tool wrote under the prefix:\n--- before\n${before}--- after\n${after_runs}")
endif()

# A later package ships a newer catalogue: its factory rows come in, the
# user's chip stays.
file(GLOB tables "${SOURCE_DIR}/resources/catalogue/*.csv")
file(MAKE_DIRECTORY "${WORK}/catalogue")
foreach(table ${tables})
  file(COPY "${table}" DESTINATION "${WORK}/catalogue")
endforeach()
file(WRITE "${WORK}/catalogue/DevInfo.csv" "Version\nV1.2.0\n")
file(GLOB new_tables "${WORK}/catalogue/*.csv")
list(SORT new_tables)
execute_process(COMMAND "${BUILDER}" "${WORK}/new_login.dat"
  "${SOURCE_DIR}/resources/catalogue/schema.sql" ${new_tables}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "building the newer catalogue failed:\n${out}\n${err}")
endif()
file(COPY_FILE "${WORK}/new_login.dat" "${prefix}/share/tessary/login.dat")
snapshot(upgraded_package)

run_installed(0 upgraded ARGS chips MYCHIP77)
expect_contains("${upgraded}" "upgraded from V1.1.0 to V1.2.0, 1 user chip(s) kept")
expect_contains("${upgraded}" "MYCHIP77")
run_installed(0 version_after ARGS --simulate info)
expect_contains("${version_after}" "Catalogue: V1.2.0")
run_installed(0 factory_after ARGS chips W25Q64)
expect_contains("${factory_after}" "W25Q64")
run_installed(0 third ARGS chips MYCHIP77)
expect_contains("${third}" "MYCHIP77")
expect_missing("${third}" "upgraded")
if(NOT EXISTS "${user_catalogue}.bak")
  message(FATAL_ERROR "the upgrade kept no copy of the replaced catalogue")
endif()

# The XDG variables, when set, decide the folders.
run_installed(0 xdg ARGS chips W25Q64
  ENV "XDG_CONFIG_HOME=${WORK}/xdg/config" "XDG_DATA_HOME=${WORK}/xdg/data"
      "XDG_CACHE_HOME=${WORK}/xdg/cache")
expect_contains("${xdg}" "copied to ${WORK}/xdg/data/tessary/login.dat")
foreach(folder "${WORK}/xdg/config/tessary" "${WORK}/xdg/cache/tessary/temp")
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "the installed tool did not make ${folder}")
  endif()
endforeach()

# --quiet keeps the note of the first start off stderr.
file(REMOVE_RECURSE "${home}")
run_installed(0 quiet ARGS --quiet chips W25Q64)
expect_missing("${quiet}" "copied to")

snapshot(after_upgrade)
if(NOT upgraded_package STREQUAL after_upgrade)
  message(FATAL_ERROR "the installed tool wrote under the prefix:\n--- before\n${upgraded_package}--- after\n${after_upgrade}")
endif()
