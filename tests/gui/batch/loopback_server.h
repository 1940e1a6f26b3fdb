// The loopback web server that the test run starts (its ports in the JSON file named by
// BRINDLOW_SERVER_PORTS): addresses of its routes and the record of the requests it served.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace batch {

struct RecordedRequest {
    std::string method;
    std::string path;  // the target as sent, query included
    std::vector<std::pair<std::string, std::string>> headers;
    int port = 0;
    bool tls = false;

    // Every value of the header `name` (any letter case), in order.
    std::vector<std::string> HeaderValues(const std::string& name) const;
};

class LoopbackServer {
public:
    // Reads the ports file; throws std::runtime_error when there is no server to use.
    LoopbackServer();

    // http://127.0.0.1:PORT/path
    std::string Http(const std::string& path) const;
    // https on the port whose certificate the tests' prefix trusts.
    std::string Https(const std::string& path) const;
    // https on the port with a self-signed certificate.
    std::string SelfSigned(const std::string& path) const;
    int HttpPort() const { return m_http; }
    int TlsPort() const { return m_tls; }
    // A port whose connections never complete (the system drops their handshake).
    int CloggedPort() const { return m_clogged; }
    // A port that accepts connections and never sends a byte.
    int MutePort() const { return m_mute; }

    // Forgets every request served so far.
    void ClearRecord() const;
    // Requests served since the last clear whose target starts with `prefix`, oldest first.
    std::vector<RecordedRequest> Requests(const std::string& prefix = "") const;
    // How many requests for exactly `path` were served since the last clear.
    int CountOf(const std::string& path) const;

private:
    int m_http = 0;
    int m_tls = 0;
    int m_selfSigned = 0;
    int m_clogged = 0;
    int m_mute = 0;
};

}  // namespace batch
