# The request a URL of the table becomes, and the platform's IDNA conversion, under Wine.
# nlohmann/json is header-only: only its own folder is put on the include path, since the
# machine's other headers are not for this compiler.
set(json_include ${CMAKE_CURRENT_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${json_include})
file(CREATE_LINK /usr/include/nlohmann ${json_include}/nlohmann SYMBOLIC)
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
