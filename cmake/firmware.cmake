# Demo firmware packages for the simulated programmer, written into the
# "iap" folder beside the executables by a small tool at build time, so the
# update can be tried in demo mode. Version 1.2.4: one step newer than the
# simulated programmer's default firmware V1.2.3.
add_executable(demo_firmware_packages ${CMAKE_SOURCE_DIR}/tools/demo_firmware_packages.cpp)
target_link_libraries(demo_firmware_packages PRIVATE tessary_core)
set_target_properties(demo_firmware_packages PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(TESSARY_DEMO_PACKAGES
  ${CMAKE_BINARY_DIR}/bin/iap/Plov_010204.iap
  ${CMAKE_BINARY_DIR}/bin/iap/Velor_010204.iap
  ${CMAKE_BINARY_DIR}/bin/iap/Skar_010204.iap)
add_custom_command(OUTPUT ${TESSARY_DEMO_PACKAGES}
  COMMAND demo_firmware_packages ${CMAKE_BINARY_DIR}/bin/iap 010204 Plov Velor Skar
  DEPENDS demo_firmware_packages
  COMMENT "Writing the demo firmware packages into bin/iap"
  VERBATIM)
add_custom_target(demo_firmware ALL DEPENDS ${TESSARY_DEMO_PACKAGES})
if(TARGET gui_tests)
  add_dependencies(gui_tests demo_firmware)
endif()
