# The one GET against the loopback server: redirects, bounds, the hostile routes, threads left
# behind; and where a redirect leads.
brindlow_gtest(net_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/net_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/net_redirect_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/body_budget_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/gui/batch/loopback_server.cpp
    ${PROJECT_SOURCE_DIR}/tests/gui/test_files.cpp
  LIBS net ws2_32 nlohmann_json gtest_main
  LABELS unit
  PROPERTIES FIXTURES_REQUIRED loopback_server
    ENVIRONMENT "BRINDLOW_SERVER_PORTS=${BRINDLOW_SERVER_PORTS}")
