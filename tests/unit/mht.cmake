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

# The memory one archive takes for hostile pages, counted by an allocator of its own.
brindlow_gtest(mht_memory_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mht_memory_test.cpp
  LIBS logic gtest_main
  LABELS unit)
