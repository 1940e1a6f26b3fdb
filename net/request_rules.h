// How every page and resource is requested: one GET, no cache either way, a connection of the
// session may be reused, https over TLS with the platform's certificate checks, redirects
// followed by hand (net/http_get.cpp, so that a loop ends), no cookies, and these two headers.
// No cookies because Wine's WinInet keeps an entry for every distinct path it was asked for
// and scans them all, under one lock, on each request: over a batch of 20,000 pages a request
// cost three times as much CPU at the end as at the start.
#pragma once

#include <windows.h>
#include <wininet.h>

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES;
constexpr char kAcceptHeader[] = "Accept: */*";
constexpr char kUserAgentHeader[] =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
