# URLs as browsers parse them (the shared test data runs in the native build only).
brindlow_gtest(url_parser_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/url_parser_test.cpp
  LIBS logic gtest_main
  LABELS unit)
