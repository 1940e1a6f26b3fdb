// The socket an HTTP answer arrives on. Wine's WinInet, asked to close a request whose body was
// not read to its end, first reads (drains) the rest of it, to keep the connection for the next
// request: a body over the cap is read in full, and one that never ends (a stream, a feed) is
// read for ever. Nothing in WinInet closes a connection instead, so the program shuts the
// socket down itself; the drain then meets its end at once and WinInet closes the connection.
#pragma once

#include <cstdint>

namespace afx {

// A Winsock SOCKET, kept as a number so that this header needs no Winsock.
using SocketNumber = std::uintptr_t;
constexpr SocketNumber kNoSocket = ~SocketNumber(0);

// Installs, once in the process, a watch on WinInet's receiving calls: each records on its
// thread the socket it read. WinInet reads an answer on the thread that asked for it (the
// request and its reads), so that socket is the request's own. False where the watch cannot be
// installed (a WinInet that does not import recv); requests then close as WinInet closes them.
bool WatchAnswerSockets();

// Forgets the socket this thread last received on: called before each request is sent.
void ForgetAnswerSocket();
// The socket this thread received on since ForgetAnswerSocket, kNoSocket if none.
SocketNumber AnswerSocket();

// Shuts `socket` down both ways: whatever reads it next meets the end of the connection.
void AbortConnection(SocketNumber socket);

}  // namespace afx
