# The one GET against the loopback server: redirects, bounds, the hostile routes, threads left
# behind, the session's waits, unreachable servers, compressed answers; and the pure parts:
# where a redirect leads, the decoding of bodies, the memory of unreachable servers.
brindlow_gtest(net_tests
  SOURCES net_test.cpp net_waits_test.cpp net_redirect_test.cpp body_budget_test.cpp
    content_decoding_test.cpp unreachable_hosts_test.cpp ../gui/batch/loopback_server.cpp
    ../gui/test_files.cpp
  LIBS net ws2_32 nlohmann_json gtest_main
  LABELS unit
  PROPERTIES FIXTURES_REQUIRED loopback_server
    ENVIRONMENT "BRINDLOW_SERVER_PORTS=${BRINDLOW_SERVER_PORTS}")
