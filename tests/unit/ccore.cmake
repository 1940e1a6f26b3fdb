brindlow_gtest(ccore_tests
  SOURCES ccore_test.cpp ccore_dialogs_test.cpp long_path_test.cpp ../gui/test_files.cpp
  LIBS mavrel afx gtest_main shell32
  LABELS unit)
