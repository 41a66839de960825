# Benchmarks: every bench/*.cpp in one executable, bench_all, built by the
# `benches` target only (not part of the default build).
find_package(benchmark REQUIRED)

file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(BENCH_SOURCES)
  add_executable(bench_all EXCLUDE_FROM_ALL ${BENCH_SOURCES})
  target_link_libraries(bench_all PRIVATE tessary_core tessary_sim
    benchmark::benchmark benchmark::benchmark_main)
  target_compile_features(bench_all PRIVATE cxx_std_20)
  add_custom_target(benches DEPENDS bench_all)
endif()
