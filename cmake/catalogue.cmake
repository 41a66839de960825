# The chip catalogue: SQLite for the core library, the catalogue_builder
# tool, and login.dat built from resources/catalogue beside the executables.
# Include after tessary_core is defined.

pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
target_link_libraries(tessary_core PUBLIC PkgConfig::SQLITE3)

add_executable(catalogue_builder ${CMAKE_SOURCE_DIR}/tools/catalogue_builder.cpp)
target_link_libraries(catalogue_builder PRIVATE PkgConfig::SQLITE3)
set_target_properties(catalogue_builder PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(TESSARY_CATALOGUE_SCHEMA ${CMAKE_SOURCE_DIR}/resources/catalogue/schema.sql)
file(GLOB TESSARY_CATALOGUE_TABLES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/catalogue/*.csv)
list(SORT TESSARY_CATALOGUE_TABLES)
set(TESSARY_CATALOGUE_FILE ${CMAKE_BINARY_DIR}/bin/login.dat)

add_custom_command(OUTPUT ${TESSARY_CATALOGUE_FILE}
  COMMAND catalogue_builder ${TESSARY_CATALOGUE_FILE} ${TESSARY_CATALOGUE_SCHEMA}
          ${TESSARY_CATALOGUE_TABLES}
  DEPENDS catalogue_builder ${TESSARY_CATALOGUE_SCHEMA} ${TESSARY_CATALOGUE_TABLES}
  COMMENT "Building the chip catalogue login.dat"
  VERBATIM)
add_custom_target(chip_catalogue ALL DEPENDS ${TESSARY_CATALOGUE_FILE})

# The catalogue self-check reads the built file, so building the tests
# builds it too. The test target is made later (tests/), hence the deferral.
function(tessary_catalogue_for_tests)
  if(TARGET core_tests)
    add_dependencies(core_tests chip_catalogue)
  endif()
  if(TESSARY_BUILD_TESTS)
    add_test(NAME catalogue_builder_tests
      COMMAND ${CMAKE_COMMAND}
        -DBUILDER=$<TARGET_FILE:catalogue_builder> -DSCHEMA=${TESSARY_CATALOGUE_SCHEMA}
        -DWORK=${CMAKE_BINARY_DIR}/catalogue_builder_work
        -P ${CMAKE_SOURCE_DIR}/cmake/catalogue_builder_test.cmake)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tessary_catalogue_for_tests)
