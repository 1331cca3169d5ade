# The program's command line: bad values are refused with status 2 and one
# safe line naming the option and the value.
add_test(NAME Cli.BadValuesAreRefusedInOneLine
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/scripts/cli_check.sh $<TARGET_FILE:molfo> ${CMAKE_BINARY_DIR}
    ${CMAKE_CURRENT_BINARY_DIR}/cli-check)
set_tests_properties(Cli.BadValuesAreRefusedInOneLine PROPERTIES LABELS e2e TIMEOUT 60)
