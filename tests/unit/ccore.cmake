brindlow_gtest(ccore_tests
  SOURCES ccore_test.cpp ccore_dialogs_test.cpp long_path_test.cpp
  LIBS mavrel afx gtest_main
  LABELS unit)
