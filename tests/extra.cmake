# Tests of speckwash-cli: its own pieces (argument parsing, output planning,
# progress line, job pool) and runs of the executable end to end.
if(TARGET speckwash-cli)
  file(GLOB cli_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cli/*.cpp)
  add_executable(test_cli ${cli_test_sources})
  target_link_libraries(test_cli PRIVATE sw_cli GTest::gtest GTest::gtest_main)
  target_include_directories(test_cli PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(test_cli PRIVATE SW_CLI_PATH="$<TARGET_FILE:speckwash-cli>")
  add_dependencies(test_cli speckwash-cli)
  gtest_discover_tests(test_cli
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1")
endif()

# The manual page of speckwash-cli names the same verbs and options as its --help.
if(TARGET speckwash-cli)
  add_test(NAME cli_man_page_names_every_option
    COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/check_man_options.sh $<TARGET_FILE:speckwash-cli>
      ${PROJECT_SOURCE_DIR}/packaging/man/speckwash-cli.1.scd)
  set_tests_properties(cli_man_page_names_every_option PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
endif()
