#include "tests/gui/batch/loopback_server.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "afx/handles.h"
#include "tests/gui/test_files.h"

namespace batch {

namespace {

using UniqueInternet = afx::UniqueHandle<afx::NullEmptyTraits<HINTERNET, &::InternetCloseHandle>>;

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

nlohmann::json ParseJson(const std::string& text) {
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(std::string("JSON: ") + e.what());
    }
}

int PortOf(const nlohmann::json& ports, const char* name) {
    const auto port = ports.find(name);
    if (port == ports.end() || !port->is_number_integer())
        throw std::runtime_error(std::string("the ports file names no ") + name + " port");
    return port->get<int>();
}

// The server reads the bytes of a request as Latin-1, one character a byte, and its JSON carries
// them as UTF-8: back to the bytes as sent. Anything above U+00FF cannot come from a byte: '?'.
std::string Latin1BytesFromUtf8(const std::string& utf8) {
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
        } else if ((lead & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const unsigned code =
                ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
            bytes += code <= 0xFF ? static_cast<char>(code) : '?';
        } else {
            bytes += '?';
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return bytes;
}

std::string TextOf(const nlohmann::json& object, const char* name) {
    const auto member = object.find(name);
    return member != object.end() && member->is_string()
               ? Latin1BytesFromUtf8(member->get<std::string>())
               : std::string();
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
    const nlohmann::json ports = ParseJson(ReadPortsFile(WindowsPath(portsFile)));
    m_http = PortOf(ports, "http");
    m_tls = PortOf(ports, "tls");
    m_selfSigned = PortOf(ports, "selfsigned");
    m_clogged = PortOf(ports, "clogged");
    m_mute = PortOf(ports, "mute");
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
    const nlohmann::json list = ParseJson(Get(Http("/__requests?path=" + prefix)));
    std::vector<RecordedRequest> requests;
    for (const nlohmann::json& entry : list) {
        RecordedRequest request;
        request.method = TextOf(entry, "method");
        request.path = TextOf(entry, "path");
        for (const nlohmann::json& pair : entry.value("headers", nlohmann::json::array()))
            if (pair.size() == 2 && pair[0].is_string() && pair[1].is_string())
                request.headers.emplace_back(Latin1BytesFromUtf8(pair[0].get<std::string>()),
                                             Latin1BytesFromUtf8(pair[1].get<std::string>()));
        request.port = entry.value("port", 0);
        request.tls = entry.value("tls", false);
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
