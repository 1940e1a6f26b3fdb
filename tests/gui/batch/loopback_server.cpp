#include "tests/gui/batch/loopback_server.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "afx/handles.h"
#include "tests/gui/batch/json_value.h"
#include "tests/gui/test_files.h"

namespace batch {

namespace {

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::InternetCloseHandle(h); }
};
using UniqueInternet = afx::UniqueHandle<InternetHandleTraits>;

// The variable holds a Linux path; Wine shows the Linux root as drive Z:.
std::string WindowsPath(std::string path) {
    if (path.size() > 1 && path[1] == ':') return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string ReadPortsFile(const std::string& path) {
    std::string content;
    if (!gui::ReadWholeFile(path, &content)) throw std::runtime_error("cannot read " + path);
    return content;
}

// The body of a GET for an address of the server; throws when the server does not answer.
std::string Get(const std::string& url) {
    UniqueInternet session(
        ::InternetOpenA("brindlow-batch-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) throw std::runtime_error("InternetOpen failed");
    UniqueInternet request(::InternetOpenUrlA(
        session.get(), url.c_str(), nullptr, 0,
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0));
    if (!request)
        throw std::runtime_error("no answer from " + url + ": error " +
                                 std::to_string(::GetLastError()));
    std::string body;
    char buffer[16384];
    DWORD read = 0;
    while (::InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read > 0)
        body.append(buffer, read);
    return body;
}

int PortOf(const JsonValue& ports, const char* name) {
    const JsonValue& port = ports[name];
    if (port.kind != JsonValue::Kind::Number)
        throw std::runtime_error(std::string("the ports file names no ") + name + " port");
    return static_cast<int>(port.number);
}

}  // namespace

std::vector<std::string> RecordedRequest::HeaderValues(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& header : headers)
        if (::lstrcmpiA(header.first.c_str(), name.c_str()) == 0) values.push_back(header.second);
    return values;
}

LoopbackServer::LoopbackServer() {
    const char* portsFile = std::getenv("BRINDLOW_SERVER_PORTS");
    if (!portsFile || !*portsFile)
        throw std::runtime_error("BRINDLOW_SERVER_PORTS names no ports file of a test server");
    const JsonValue ports = ParseJson(ReadPortsFile(WindowsPath(portsFile)));
    m_http = PortOf(ports, "http");
    m_tls = PortOf(ports, "tls");
    m_selfSigned = PortOf(ports, "selfsigned");
}

std::string LoopbackServer::Http(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_http) + path;
}

std::string LoopbackServer::Https(const std::string& path) const {
    return "https://localhost:" + std::to_string(m_tls) + path;
}

std::string LoopbackServer::SelfSigned(const std::string& path) const {
    return "https://localhost:" + std::to_string(m_selfSigned) + path;
}

void LoopbackServer::ClearRecord() const {
    Get(Http("/__reset"));
}

std::vector<RecordedRequest> LoopbackServer::Requests(const std::string& prefix) const {
    // The prefix goes into a query: only characters that need no escaping are used by tests.
    const JsonValue list = ParseJson(Get(Http("/__requests?path=" + prefix)));
    std::vector<RecordedRequest> requests;
    for (const JsonValue& entry : list.items) {
        RecordedRequest request;
        request.method = entry["method"].text;
        request.path = entry["path"].text;
        for (const JsonValue& pair : entry["headers"].items)
            if (pair.items.size() == 2)
                request.headers.emplace_back(pair.items[0].text, pair.items[1].text);
        request.port = static_cast<int>(entry["port"].number);
        request.tls = entry["tls"].boolean;
        requests.push_back(std::move(request));
    }
    return requests;
}

int LoopbackServer::CountOf(const std::string& path) const {
    const auto requests = Requests(path);
    return static_cast<int>(
        std::count_if(requests.begin(), requests.end(),
                      [&](const RecordedRequest& r) { return r.path == path; }));
}

}  // namespace batch
