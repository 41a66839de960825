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
foreach(option --simulate --trace info erase blank write read verify auto mass)
  expect_contains("${help}" "${option}")
endforeach()

# The simulated programmer's identity, with a trace of the exact frames.
run_cli(0 info_out --simulate --trace t.txt info)
foreach(line "Model:     Velor" "Firmware:  " "Hardware:  " "Serial:    " "Catalogue: V1.1.0")
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
# No match exits 1 with a message, as grep does.
run_cli(1 nothing chips "it's")
expect_contains("${nothing}" "No chip matches")

# A config file that is not there is an error that names it.
run_cli(1 bad_config --simulate=missing.ini info)
expect_contains("${bad_config}" "missing.ini")

# No programmer: a clear message and a non-zero exit.
run_cli(2 offline info)
expect_contains("${offline}" "No programmer found")

# A programmer that is there but does not answer, or is unplugged while it
# is identified, is neither "no programmer" nor identified with fallbacks.
# "Config|command|exit|message|text that must not appear"
file(WRITE "${WORK}/silent.ini" "[Faults]\nSilentOpcodes=10\n")
file(WRITE "${WORK}/unplug_fw.ini" "[Faults]\nUnplugAfterTransfers=1\n")
file(WRITE "${WORK}/unplug_texts.ini" "[Faults]\nUnplugAfterTransfers=3\n")
file(WRITE "${WORK}/unplug_model.ini" "[Faults]\nUnplugAfterTransfers=7\n")
file(WRITE "${WORK}/boot.ini" "[Programmer]\nStartInBootLoader=1\n")
foreach(case "silent.ini|info|8|does not answer the firmware version query|Model:"
             "unplug_fw.ini|info|5|Programmer disconnected|Model:"
             "unplug_texts.ini|info|5|Programmer disconnected|XXX-XXX-XXX-XXX"
             "unplug_model.ini|info|5|Programmer disconnected|Model:"
             "silent.ini|detect|8|does not answer|Chip ID:"
             "boot.ini|detect|9|runs its boot loader (firmware \"BOOT V1.0\") and needs a firmware update|Chip ID:"
             "boot.ini|sockets|9|needs a firmware update|CH1:"
             "boot.ini|nand-scan|9|needs a firmware update|Blocks:"
             "boot.ini|erase|9|needs a firmware update|Chip:")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 config)
  list(GET case 1 command)
  list(GET case 2 code)
  list(GET case 3 message)
  list(GET case 4 absent)
  run_cli(${code} out --simulate=${config} ${command})
  expect_contains("${out}" "${message}")
  string(FIND "${out}" "${absent}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${command} with ${config} printed '${absent}':\n${out}")
  endif()
endforeach()
# info still tells what a programmer in its boot loader is.
run_cli(0 boot_info --simulate=boot.ini info)
expect_contains("${boot_info}" "Firmware:  BOOT V1.0")
expect_contains("${boot_info}" "runs its boot loader and needs a firmware update")

# convert: the image the program loads from an Intel HEX, CAP or raw file.
set(formats "${SOURCE_DIR}/tests/fixtures/formats")
foreach(case "objcopy_16.hex|3000|c67e816b" "objcopy_16_at_08000000.hex|3000|8c21ff72"
             "srec_32_at_0000FC00.hex|2048|6c4e7492" "objcopy_16_over_64k.hex|70000|32f0f299")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 hex)
  list(GET case 1 size)
  list(GET case 2 head)
  run_cli(0 converted convert "${formats}/${hex}" "${hex}.bin")
  expect_contains("${converted}" "${size} bytes (Intel HEX)")
  file(SIZE "${WORK}/${hex}.bin" written)
  if(NOT written EQUAL size)
    message(FATAL_ERROR "convert ${hex}: ${written} bytes, expected ${size}")
  endif()
  file(READ "${WORK}/${hex}.bin" first LIMIT 4 HEX)
  if(NOT first STREQUAL head)
    message(FATAL_ERROR "convert ${hex}: image starts ${first}, expected ${head}")
  endif()
endforeach()
string(REPEAT "h" 2048 cap_header)
file(WRITE "${WORK}/w.CAP" "${cap_header}payload")
run_cli(0 cap_out convert w.CAP cap.bin)
expect_contains("${cap_out}" "7 bytes (CAP)")
file(READ "${WORK}/cap.bin" cap_image)
expect_contains("${cap_image}" "payload")
file(WRITE "${WORK}/fw.hex.bak" ":00000001FF\n")
run_cli(0 raw_out convert fw.hex.bak raw.bin)
expect_contains("${raw_out}" "12 bytes (raw binary)")
file(WRITE "${WORK}/noend.hex" ":0400000001020304F2\n")
run_cli(0 noend_out convert noend.hex noend.bin)
expect_contains("${noend_out}" "note: there is no end-of-file record")
# Errors name the file (and the line); nothing is left at OUT.
run_cli(1 missing_in convert absent.hex out.bin)
expect_contains("${missing_in}" "absent.hex")
file(WRITE "${WORK}/bad.hex" ":02000000ZZ11EE\n:00000001FF\n")
run_cli(1 bad_hex convert bad.hex bad.bin)
expect_contains("${bad_hex}" "line 1")
if(EXISTS "${WORK}/bad.bin")
  message(FATAL_ERROR "a failed conversion left bad.bin behind")
endif()
run_cli(1 no_folder convert fw.hex.bak nowhere/out.bin)
expect_contains("${no_folder}" "nowhere/out.bin")
run_cli(64 same_file convert raw.bin raw.bin)
expect_contains("${same_file}" "input file itself")
run_cli(64 no_args convert)

# detect: the simulated W25Q64 in CH1 and every catalogue chip with its ID.
run_cli(0 detect_out --simulate detect)
foreach(needle "EF4017" "W25Q64" "W25Q64JV" "8MB")
  expect_contains("${detect_out}" "${needle}")
endforeach()
# No chip in either socket, or an ID the catalogue lacks: non-zero, and why.
file(WRITE "${WORK}/no_chip.ini" "[Socket1]\nPresent=0\n")
run_cli(1 detect_empty --simulate=no_chip.ini detect)
expect_contains("${detect_empty}" "No chip answers")
file(WRITE "${WORK}/odd_chip.ini" "[Socket1]\nChipId=ABCDEF\n")
run_cli(1 detect_unknown --simulate=odd_chip.ini detect)
expect_contains("${detect_unknown}" "No catalogue chip has the ID ABCDEF")
run_cli(2 detect_offline detect)
expect_contains("${detect_offline}" "No programmer found")

# merge: files at hexadecimal addresses, gaps filled, the output replaced
# only when complete.
file(WRITE "${WORK}/m_a.bin" "0123456789ABCDEF")
file(WRITE "${WORK}/m_b.bin" "abcd")
run_cli(0 merged merge --fill 2E m_a.bin@0 m_b.bin@20 -o m_out.bin)
expect_contains("${merged}" "Merged 2 files")
file(READ "${WORK}/m_out.bin" merged_bytes)
if(NOT merged_bytes STREQUAL "0123456789ABCDEF................abcd")
  message(FATAL_ERROR "merge wrote '${merged_bytes}'")
endif()
run_cli(0 merged_ff merge m_b.bin@2 m_a.bin@8 -o m_ff.bin)
file(READ "${WORK}/m_ff.bin" merged_ff_hex HEX)
if(NOT merged_ff_hex STREQUAL "ffff61626364ffff30313233343536373839414243444546")
  message(FATAL_ERROR "merge with the default fill wrote ${merged_ff_hex}")
endif()
# A file starting inside an earlier one is written over it, with a warning.
run_cli(0 overlap merge m_a.bin@0 m_b.bin@4 -o m_overlap.bin)
expect_contains("${overlap}" "warning: 'm_b.bin' starts inside an earlier file")
file(READ "${WORK}/m_overlap.bin" overlap_bytes)
if(NOT overlap_bytes STREQUAL "0123abcd89ABCDEF")
  message(FATAL_ERROR "overlapping merge wrote '${overlap_bytes}'")
endif()
# Bad input: a clear message, and the earlier output stays as it was.
run_cli(64 one_file merge m_a.bin@0 -o m_out.bin)
expect_contains("${one_file}" "2 to 4 files")
run_cli(64 no_address merge m_a.bin m_b.bin@4 -o m_out.bin)
expect_contains("${no_address}" "needs a start address")
run_cli(64 bad_address merge m_a.bin@0 m_b.bin@12X -o m_out.bin)
expect_contains("${bad_address}" "12X\" is not a hexadecimal number")
run_cli(64 bad_fill merge --fill F m_a.bin@0 m_b.bin@10 -o m_out.bin)
expect_contains("${bad_fill}" "--fill takes two hexadecimal digits")
run_cli(1 missing_input merge m_a.bin@0 m_missing.bin@10 -o m_out.bin)
expect_contains("${missing_input}" "m_missing.bin")
run_cli(1 no_room merge m_a.bin@FFFFFFF8 m_b.bin@0 -o m_out.bin)
expect_contains("${no_room}" "up to address FFFFFFFF")
run_cli(1 no_folder merge m_a.bin@0 m_b.bin@10 -o m_no_folder/out.bin)
expect_contains("${no_folder}" "m_no_folder/out.bin")
file(READ "${WORK}/m_out.bin" merged_bytes)
if(NOT merged_bytes STREQUAL "0123456789ABCDEF................abcd")
  message(FATAL_ERROR "a refused merge changed the earlier output: '${merged_bytes}'")
endif()

# sockets: the default simulated programmer holds a chip in CH1 only.
run_cli(0 sockets_out --simulate sockets)
expect_contains("${sockets_out}" "CH1: chip present")
expect_contains("${sockets_out}" "CH2: empty")
file(WRITE "${WORK}/both.ini" "[Socket2]\nPresent=1\n")
run_cli(0 sockets_both --simulate=both.ini sockets)
expect_contains("${sockets_both}" "CH2: chip present")
run_cli(2 sockets_offline sockets)

# spi-clock: the query (code 10) reports 9MHz after power-up; setting sends
# the item's code and confirms it.
run_cli(0 spi_query --simulate --trace spi_q.txt spi-clock)
expect_contains("${spi_query}" "SPI clock: 9MHz")
file(READ "${WORK}/spi_q.txt" spi_q_trace)
expect_contains("${spi_q_trace}" "OUT 02 3A 00 01 00 01 0A")
run_cli(0 spi_set --simulate --trace spi_s.txt spi-clock 18)
expect_contains("${spi_set}" "SPI clock: 18MHz")
file(READ "${WORK}/spi_s.txt" spi_s_trace)
expect_contains("${spi_s_trace}" "OUT 02 3A 00 01 00 01 01 ED C4")
run_cli(0 spi_set2 --simulate spi-clock 1.125MHz)
expect_contains("${spi_set2}" "SPI clock: 1.125MHz")
run_cli(64 spi_bad --simulate spi-clock 7)
file(WRITE "${WORK}/spi_refused.ini" "[Faults]\nWrongStartOpcodes=3A\n")
run_cli(1 spi_refused --simulate=spi_refused.ini spi-clock 4.5)
expect_contains("${spi_refused}" "did not confirm")

# dma: on and off are confirmed by the programmer; without a value the tool
# explains that the state cannot be read back.
run_cli(0 dma_on --simulate --trace dma.txt dma on)
expect_contains("${dma_on}" "SPI DMA: on")
file(READ "${WORK}/dma.txt" dma_trace)
expect_contains("${dma_trace}" "OUT 02 3C 00 01 00 01 01")
run_cli(0 dma_off --simulate dma off)
expect_contains("${dma_off}" "SPI DMA: off")
run_cli(0 dma_none dma)
expect_contains("${dma_none}" "cannot be read back")
run_cli(64 dma_bad --simulate dma maybe)
# A confirmation without its byte confirms nothing.
foreach(length 0 2)
  file(WRITE "${WORK}/dma_len.ini" "[Faults]\nReplyLengths=3C:${length}\n")
  run_cli(1 dma_short --simulate=dma_len.ini dma on)
  expect_contains("${dma_short}" "did not confirm")
  file(WRITE "${WORK}/spi_len.ini" "[Faults]\nReplyLengths=3A:${length}\n")
  run_cli(1 spi_short --simulate=spi_len.ini spi-clock 18)
  expect_contains("${spi_short}" "did not confirm")
endforeach()
# A hardware text longer than one read, or a model text that comes late,
# leaves the following answers in step.
string(REPEAT "H" 600 long_hardware)
file(WRITE "${WORK}/long_hw.ini" "[Programmer]\nHardware=${long_hardware}\nSerial=SN-42\n")
run_cli(0 long_hw --simulate=long_hw.ini info)
expect_contains("${long_hw}" "Model:     Velor")
expect_contains("${long_hw}" "Serial:    SN-42")
file(WRITE "${WORK}/late_hw.ini" "[Programmer]\nSerial=SN-43\n[Faults]\nLateReplyOpcodes=11\n")
run_cli(0 late_hw --simulate=late_hw.ini info)
expect_contains("${late_hw}" "Hardware:  KV-075")
expect_contains("${late_hw}" "Serial:    SN-43")
expect_contains("${late_hw}" "Model:     Velor")

# nand-scan: the default W25Q64 is no NAND chip; a simulated W25N01GV with
# three bad blocks, found by its ID or named, has 1024 blocks and 1021 good.
run_cli(1 nand_flash --simulate nand-scan)
expect_contains("${nand_flash}" "not NAND FLASH")
file(WRITE "${WORK}/nand.ini"
  "[Socket1]\nChipId=EFAA21\nCapacity=128M\nPageSize=2048\nBlockSize=128K\nBadBlocks=3, 17, 1000\n")
run_cli(0 nand_out --simulate=nand.ini --trace nand.txt nand-scan)
foreach(needle "W25N01GV" "Blocks:      1024" "Good blocks: 1021" "Bad blocks:  3, 17, 1000")
  expect_contains("${nand_out}" "${needle}")
endforeach()
file(READ "${WORK}/nand.txt" nand_trace)
foreach(frame "OUT 02 39 00 01 00 0A 08 " "OUT 02 38 00 01 00 01 08" "OUT 02 3B 00 01 00 01 00")
  expect_contains("${nand_trace}" "${frame}")
endforeach()
run_cli(0 nand_named --simulate=nand.ini nand-scan --chip W25N01GV)
expect_contains("${nand_named}" "Good blocks: 1021")
run_cli(1 nand_unknown --simulate=nand.ini nand-scan --chip NOSUCHCHIP)
expect_contains("${nand_unknown}" "NOSUCHCHIP")
# A bitmap longer than one read is read to its end: flags past block 4000
# are the chip's, not left over.
file(WRITE "${WORK}/nand_long.ini"
  "[Socket1]\nChipId=EFAA21\nCapacity=16M\nPageSize=2048\nBlockSize=2K\nBadBlocks=3, 4100, 8191\n")
run_cli(0 nand_long --simulate=nand_long.ini nand-scan)
foreach(needle "Blocks:      8192" "Good blocks: 8189" "Bad blocks:  3, 4100, 8191")
  expect_contains("${nand_long}" "${needle}")
endforeach()
# A named chip must be the chip in the socket; empty sockets hold no chip.
run_cli(1 nand_not_there --simulate nand-scan --chip W25N01GV)
expect_contains("${nand_not_there}" "has the ID EF4017, not W25N01GV's ID EFAA21")
run_cli(1 nand_other --simulate=nand.ini nand-scan --chip W25Q64)
expect_contains("${nand_other}" "has the ID EFAA21, not W25Q64's ID EF4017")
file(WRITE "${WORK}/nand_none.ini" "[Socket1]\nPresent=0\n")
foreach(chip_option "" "--chip;W25N01GV")
  run_cli(1 nand_empty --simulate=nand_none.ini nand-scan ${chip_option})
  expect_contains("${nand_empty}" "No chip answers")
endforeach()
file(WRITE "${WORK}/nand_dual.ini"
  "[Socket1]\nChipId=EFAA21\nCapacity=128M\nBlockSize=128K\n[Socket2]\nPresent=0\n")
run_cli(1 nand_dual --simulate=nand_dual.ini nand-scan --dual)
expect_contains("${nand_dual}" "只检测到一个通道中有芯片")

# write, read, verify, erase and blank on small simulated chips. A
# persistent chip keeps what one command wrote for the next.
string(REPEAT "0123456789ABCDEF" 4096 image_a)
string(REPEAT "fedcba9876543210" 4096 image_b)
file(WRITE "${WORK}/op_a.bin" "${image_a}")
file(WRITE "${WORK}/op_b.bin" "${image_b}")
string(SUBSTRING "${image_a}" 0 256 eeprom_a)
string(SUBSTRING "${image_b}" 0 256 eeprom_b)
file(WRITE "${WORK}/ee_a.bin" "${eeprom_a}")
file(WRITE "${WORK}/ee_b.bin" "${eeprom_b}")
file(WRITE "${WORK}/flash.ini"
  "[Programmer]\nEraseBusyPolls=0\n[Socket1]\nChipId=EF3010\nCapacity=64K\nCells=flash\nPersist=1\nImage=flash.img\n")
file(WRITE "${WORK}/eeprom.ini"
  "[Socket1]\nChipId=002508\nCapacity=256\nCells=eeprom\nPersist=1\nImage=eeprom.img\n")
set(flash_sim "--simulate=${WORK}/flash.ini")
set(eeprom_sim "--simulate=${WORK}/eeprom.ini")

run_cli(0 op_write ${flash_sim} write op_a.bin)
expect_contains("${op_write}" "Chip: W25X05")
run_cli(0 op_read ${flash_sim} read op_back.bin)
expect_contains("${op_read}" "Read 65536 bytes into op_back.bin")
file(READ "${WORK}/op_back.bin" read_back)
if(NOT read_back STREQUAL image_a)
  message(FATAL_ERROR "read after write did not give back the written file")
endif()
run_cli(0 op_verify_same ${flash_sim} verify op_a.bin)
# Flash programming only clears bits: other data over it without an erase
# does not verify, and the first differing address is named.
run_cli(0 op_overwrite ${flash_sim} write op_b.bin)
run_cli(1 op_verify_flash ${flash_sim} verify op_b.bin)
expect_contains("${op_verify_flash}" "verify: data differs at 0x00000000")
expect_contains("${op_verify_flash}" "verify failed")
run_cli(1 op_not_blank ${flash_sim} blank)
run_cli(0 op_erase ${flash_sim} erase)
run_cli(0 op_blank ${flash_sim} blank)
# An EEPROM takes the new bytes as they come. Its ID belongs to several
# catalogue chips: the tool names them and asks for one.
run_cli(1 ee_ambiguous ${eeprom_sim} write ee_a.bin)
expect_contains("${ee_ambiguous}" "3 catalogue chips have the ID 002508:")
expect_contains("${ee_ambiguous}" "AT25020")
run_cli(0 ee_write ${eeprom_sim} write --chip AT25020 ee_a.bin)
run_cli(0 ee_overwrite ${eeprom_sim} write --chip AT25020 ee_b.bin)
run_cli(0 ee_verify ${eeprom_sim} verify --chip AT25020 ee_b.bin)
# Bad input loses nothing: a missing file, a file longer than the chip, a
# socket without a chip.
run_cli(1 op_no_file ${flash_sim} write op_missing.bin)
expect_contains("${op_no_file}" "op_missing.bin")
run_cli(1 ee_too_long ${eeprom_sim} write --chip AT25020 op_a.bin)
expect_contains("${ee_too_long}" "more than the 256 bytes of AT25020")
run_cli(1 op_socket2 ${flash_sim} write --socket 2 op_a.bin)
expect_contains("${op_socket2}" "no chip in CH2")
run_cli(0 op_rewrite ${flash_sim} write --socket 1 op_a.bin)
run_cli(0 op_verify_kept ${flash_sim} verify --socket 1 op_a.bin)
run_cli(2 op_offline write op_a.bin)
expect_contains("${op_offline}" "No programmer found")
# The programmer pulled out in the middle of a write.
file(WRITE "${WORK}/unplug.ini"
  "[Socket1]\nChipId=EF3010\nCapacity=64K\n[Faults]\nUnplugAfterTransfers=40\n")
run_cli(1 op_unplug --simulate=${WORK}/unplug.ini write op_a.bin)
expect_contains("${op_unplug}" "write failed: the programmer was lost")

# auto: the chosen steps, one row of the production record per run.
file(WRITE "${WORK}/auto.ini" "[Socket1]\nChipId=EF3010\nCapacity=64K\n")
run_cli(0 auto_out --simulate=${WORK}/auto.ini auto --steps write,verify --record rec.csv op_a.bin)
expect_contains("${auto_out}" "Good: 1  Bad: 0")
file(STRINGS "${WORK}/rec.csv" record_rows)
list(LENGTH record_rows record_count)
if(NOT record_count EQUAL 2)
  message(FATAL_ERROR "auto --record wrote ${record_count} lines, expected a header and one row")
endif()
list(GET record_rows 1 record_row)
foreach(field ",CH1,W25X05,EF3010,op_a.bin," ",write+verify,good,")
  expect_contains("${record_row}" "${field}")
endforeach()
# A fresh (erased) simulated chip fails a verify-only run, which is recorded too.
run_cli(1 auto_bad --simulate=${WORK}/auto.ini auto --steps verify --record rec.csv op_a.bin)
expect_contains("${auto_bad}" "Good: 0  Bad: 1")
file(STRINGS "${WORK}/rec.csv" record_rows)
list(LENGTH record_rows record_count)
if(NOT record_count EQUAL 3)
  message(FATAL_ERROR "a second auto run left ${record_count} lines, expected 3")
endif()
list(GET record_rows 2 record_row)
expect_contains("${record_row}" ",verify,bad,")
run_cli(64 auto_bad_steps --simulate=${WORK}/auto.ini auto --steps write,burn op_a.bin)
expect_contains("${auto_bad_steps}" "\"burn\" is not a step")

# mass: three chips put in one after another (CH1, CH2, CH1 again).
file(WRITE "${WORK}/mass.ini"
  "[Socket1]\nChipId=EF3010\nCapacity=64K\nPresent=0\nEvents=insert@0, remove@1500, insert@2500\n"
  "[Socket2]\nChipId=EF3010\nCapacity=64K\nPresent=0\nEvents=insert@1000\n")
run_cli(0 mass_out --simulate=${WORK}/mass.ini mass --chip W25X05 --count 3 --steps write,verify
        --record mass.csv op_a.bin)
expect_contains("${mass_out}" "Good: 3  Bad: 0")
file(STRINGS "${WORK}/mass.csv" mass_rows)
list(LENGTH mass_rows mass_count)
if(NOT mass_count EQUAL 4)
  message(FATAL_ERROR "mass production recorded ${mass_count} lines, expected a header and 3 rows")
endif()
# Intel HEX and CAP files go through the same loading as File > Open.
run_cli(0 auto_hex --simulate=${WORK}/auto.ini auto --steps write,verify --record rec.csv
        "${formats}/objcopy_16.hex")
expect_contains("${auto_hex}" "Good: 1  Bad: 0")
run_cli(0 auto_cap --simulate=${WORK}/auto.ini auto --steps write,verify --record rec.csv w.CAP)
expect_contains("${auto_cap}" "Good: 1  Bad: 0")
