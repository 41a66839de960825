# Fuzz targets: one source per parser of outside input, seed corpora in
# corpus/<name>. Each corpus is replayed as a test through a small main, so
# the ordinary build needs no clang; TESSARY_FUZZ adds the libFuzzer
# executables fuzz_<name> (built by the target `fuzzers`).
set(TESSARY_FUZZ_TARGETS intel_hex cap_file profile_file simulator_config reply_frames
                         firmware_package project_text)
set(TESSARY_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

add_custom_target(fuzzers)
foreach(name IN LISTS TESSARY_FUZZ_TARGETS)
  add_executable(fuzz_replay_${name} ${TESSARY_FUZZ_DIR}/${name}_fuzz.cpp
                                     ${TESSARY_FUZZ_DIR}/replay_main.cpp)
  target_include_directories(fuzz_replay_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(fuzz_replay_${name} PRIVATE tessary_core tessary_sim)
  add_test(NAME fuzz_corpus_${name}
           COMMAND fuzz_replay_${name} ${TESSARY_FUZZ_DIR}/corpus/${name})

  if(TESSARY_FUZZ)
    add_executable(fuzz_${name} ${TESSARY_FUZZ_DIR}/${name}_fuzz.cpp)
    target_include_directories(fuzz_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(fuzz_${name} PRIVATE tessary_core tessary_sim)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzzers fuzz_${name})
  endif()
endforeach()
