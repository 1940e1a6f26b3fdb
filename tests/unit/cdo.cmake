brindlow_gtest(cdo_tests
  SOURCES cdo_test.cpp save_mht_test.cpp windows_codec_test.cpp ${PROJECT_SOURCE_DIR}/fetch/save_mht.cpp
  LIBS cdo gtest_main
  LABELS unit)
