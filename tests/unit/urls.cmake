# URLs as browsers parse them, with the shared test data read by the JSON library (a header-only
# Debian package, reached through a folder that holds it alone, not the host's /usr/include).
set(json_include ${CMAKE_CURRENT_BINARY_DIR}/json_include)
file(MAKE_DIRECTORY ${json_include})
file(CREATE_LINK /usr/include/nlohmann ${json_include}/nlohmann SYMBOLIC)
brindlow_gtest(url_parser_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/url_parser_test.cpp ${CMAKE_CURRENT_LIST_DIR}/url_wpt_test.cpp
  LIBS logic cdo gtest_main
  LABELS unit)
target_include_directories(url_parser_tests SYSTEM PRIVATE ${json_include})
target_compile_definitions(url_parser_tests PRIVATE WPT_DATA_DIR="Z:${PROJECT_SOURCE_DIR}/tests/data/wpt")

# The request a URL of the table becomes, and the platform's IDNA conversion, under Wine.
brindlow_gtest(request_target_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/request_target_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/idna_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/punycode_test.cpp
  LIBS afx wininet gtest_main
  LABELS unit)
target_include_directories(request_target_tests SYSTEM PRIVATE ${json_include})
target_compile_definitions(request_target_tests PRIVATE
  WPT_DATA_DIR="Z:${PROJECT_SOURCE_DIR}/tests/data/wpt")
