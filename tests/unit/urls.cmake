# URLs as browsers parse them, with the shared test data read by the JSON library.
brindlow_gtest(url_parser_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/url_parser_test.cpp ${CMAKE_CURRENT_LIST_DIR}/url_wpt_test.cpp
  LIBS logic cdo nlohmann_json gtest_main
  LABELS unit)
target_compile_definitions(url_parser_tests PRIVATE WPT_DATA_DIR="Z:${PROJECT_SOURCE_DIR}/tests/data/wpt")

# The request a URL of the table becomes, and the platform's IDNA conversion, under Wine.
brindlow_gtest(request_target_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/request_target_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/idna_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/punycode_test.cpp
  LIBS afx wininet nlohmann_json gtest_main
  LABELS unit)
target_compile_definitions(request_target_tests PRIVATE
  WPT_DATA_DIR="Z:${PROJECT_SOURCE_DIR}/tests/data/wpt")
