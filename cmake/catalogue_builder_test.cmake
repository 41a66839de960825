# Checks that catalogue_builder refuses malformed catalogue sources with the
# file and line, and builds a well-formed one. Run by CTest:
#   cmake -DBUILDER=... -DSCHEMA=... -DWORK=... -P catalogue_builder_test.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(expect_refusal name text expected)
  file(WRITE "${WORK}/${name}" "${text}")
  execute_process(COMMAND "${BUILDER}" "${WORK}/out.dat" "${SCHEMA}" "${WORK}/${name}"
    RESULT_VARIABLE code ERROR_VARIABLE err OUTPUT_QUIET)
  if(code EQUAL 0)
    message(FATAL_ERROR "${name}: accepted, expected refusal '${expected}'")
  endif()
  string(FIND "${err}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${name}: expected '${expected}' in: ${err}")
  endif()
  if(EXISTS "${WORK}/out.dat" OR EXISTS "${WORK}/out.dat.building")
    message(FATAL_ERROR "${name}: a refused build left a catalogue file")
  endif()
endfunction()

expect_refusal(DevInfo.csv "Version\n\"V1.0\n" "DevInfo.csv:2: quoted field is not closed")
expect_refusal(DevInfo.csv "# note\nVersion\nV1 \n" "DevInfo.csv:3: field 1 starts or ends with a blank")
expect_refusal(DevInfo.csv "Version\nV\"1\n" "DevInfo.csv:2: quote inside unquoted field 1")
expect_refusal(DevInfo.csv "Version\n\"V1\"x\n" "DevInfo.csv:2: text after the closing quote")
expect_refusal(ChipType.csv "TypeName,Plov,Velor,Skar\n25 FLASH,Enable,Enable\n"
  "ChipType.csv:2: 3 fields, expected 4")
expect_refusal(ChipType.csv "TypeName,Velor\n" "ChipType.csv:1: header must be")
expect_refusal(Unknown.csv "Version\n" "no table [Unknown]")
set(chip_header "ChipName,ChipType,ManufName,MemoryType,Capacity,PageSize,BlockSize,OTPSize,OTPAddr,Voltage,ChipID,ChipPara,ChipPara1,ParaNote,Para1Note,EraseTime,Adder,Note")
set(chip_row "W25Q64,25 FLASH,WINBOND,SPI FLASH,8388608,256,65536,0,0,3300,EF4017,3,0,a,b,1,Halvern,8MB")
expect_refusal(ChipName.bad.csv
  "${chip_header},Source\nW25Q64,25 FLASH,WINBOND,SPI FLASH,8M,256,65536,0,0,3300,EF4017,3,0,a,b,1,Halvern,8MB,W25Q64JV datasheet\n"
  "ChipName.bad.csv:2: column Capacity needs an integer, found \"8M\"")
# Every chip row says where its facts come from.
expect_refusal(ChipName.bad.csv "${chip_header}\n${chip_row}\n"
  "ChipName.bad.csv:1: header must be \"${chip_header},Source\"")
expect_refusal(ChipName.bad.csv "${chip_header},Source\n${chip_row},\n"
  "ChipName.bad.csv:2: the Source column is empty")
expect_refusal(ChipName.bad.csv "${chip_header},Source\n${chip_row}\n"
  "ChipName.bad.csv:2: 18 fields, expected 19")
expect_refusal(ChipType.csv "TypeName,Plov,Velor,Skar,Origin\n" "ChipType.csv:1: header must be")

# A quoted field may hold commas, doubled quotes and line breaks.
file(WRITE "${WORK}/DevInfo.csv" "Version\n\"V1, \"\"two\"\"\nlines\"\n")
execute_process(COMMAND "${BUILDER}" "${WORK}/out.dat" "${SCHEMA}" "${WORK}/DevInfo.csv"
  RESULT_VARIABLE code ERROR_VARIABLE err)
if(NOT code EQUAL 0 OR NOT EXISTS "${WORK}/out.dat")
  message(FATAL_ERROR "well-formed source refused: ${err}")
endif()

# The source is checked, not stored: the table keeps the columns the program reads.
file(REMOVE "${WORK}/out.dat")
file(WRITE "${WORK}/ChipName.good.csv" "${chip_header},Source\n${chip_row},\"W25Q64JV datasheet, rev. L\"\n")
file(WRITE "${WORK}/ChipType.csv" "TypeName,Plov,Velor,Skar,Source\n25 FLASH,Enable,Enable,Enable,model sheet\n")
execute_process(COMMAND "${BUILDER}" "${WORK}/out.dat" "${SCHEMA}" "${WORK}/ChipName.good.csv"
  "${WORK}/ChipType.csv" RESULT_VARIABLE code ERROR_VARIABLE err)
if(NOT code EQUAL 0 OR NOT EXISTS "${WORK}/out.dat")
  message(FATAL_ERROR "rows with a Source column refused: ${err}")
endif()
