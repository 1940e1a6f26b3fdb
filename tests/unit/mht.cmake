# The web archive's logic: reference finding, URL resolution, encoders, archive text, fetch plan.
brindlow_gtest(mht_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/mht_url_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mht_refs_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mht_lazy_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mht_encode_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mht_archive_test.cpp
  LIBS logic gtest_main
  LABELS unit)

# Markup read as browsers read it, with the html5lib test suite read by the JSON library.
brindlow_gtest(html_tokenizer_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/html_tokenizer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/html_tokenizer_suite_test.cpp
  LIBS logic nlohmann_json gtest_main
  LABELS unit)
target_compile_definitions(html_tokenizer_tests PRIVATE
  HTML5LIB_DATA_DIR="Z:${PROJECT_SOURCE_DIR}/tests/data/html5lib-tests")

# The memory one archive takes for hostile pages, counted by an allocator of its own.
brindlow_gtest(mht_memory_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mht_memory_test.cpp
  LIBS logic gtest_main
  LABELS unit)
