// How every page and resource is requested: one GET, no cache either way, a connection of the
// session may be reused, https over TLS with the platform's certificate checks, redirects
// followed by hand (net/http_get.cpp, so that a loop ends), and these two headers. Cookies are
// the platform's, as a browser's would be (Windows sends the user's own); under Wine they cost
// time, since its WinInet keeps an entry for every distinct path asked for and scans them all
// on each request.
#pragma once

#include <windows.h>
#include <wininet.h>

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr char kAcceptHeader[] = "Accept: */*";
constexpr char kUserAgentHeader[] =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
