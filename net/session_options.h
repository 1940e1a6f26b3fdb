// The options every internet session of the program gets: each connection attempt and each
// wait for data bounded to 5 seconds, one retry of a connection after 1 second. Where WinInet
// does not honour them, net/http_get.cpp enforces the same.
#pragma once

#include "afx/inet.h"
#include "net/fetch_limits.h"

inline void SetSessionOptions(CInternetSession& session) {
    DWORD connectTimeout = kTimeoutMs, receiveTimeout = kTimeoutMs, sendTimeout = kTimeoutMs;
    DWORD backoff = kConnectBackoffMs, retries = 1;
    session.SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeout, 4, 0);
    // The session also copies these two onto every connection: some WinInet implementations
    // (Wine's) honour them only there.
    session.SetOption(INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receiveTimeout, 4, 0);
    session.SetOption(INTERNET_OPTION_DATA_SEND_TIMEOUT, &sendTimeout, 4, 0);
    session.SetOption(INTERNET_OPTION_CONNECT_BACKOFF, &backoff, 4, 0);
    session.SetOption(INTERNET_OPTION_CONNECT_RETRIES, &retries, 4, 0);
}
