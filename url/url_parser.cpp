#include "url/url_parser.h"

#include <string_view>
#include <vector>

#include "url/ascii.h"
#include "url/split.h"
#include "url/url_host.h"

namespace url {
namespace {

// The bytes each component writes as %XX besides controls, DEL and every non-ASCII byte. The
// input is UTF-8, so encoding byte by byte gives the %XX of each character's UTF-8 bytes.
enum class EncodeSet { kFragment, kQuery, kPath, kUserinfo };

bool MustEncode(unsigned char c, EncodeSet set) {
    if (c < 0x20 || c >= 0x7F) return true;
    switch (c) {
        case ' ':
        case '"':
        case '<':
        case '>':
            return true;
        case '`':
            return set != EncodeSet::kQuery;
        case '#':
            return set != EncodeSet::kFragment;
        case '\'':
            return set == EncodeSet::kQuery;  // the query of http(s) URLs only
        case '?':
        case '^':
        case '{':
        case '}':
            return set == EncodeSet::kPath || set == EncodeSet::kUserinfo;
        case '/':
        case ':':
        case ';':
        case '=':
        case '@':
        case '[':
        case '\\':
        case ']':
        case '|':
            return set == EncodeSet::kUserinfo;
        default:
            return false;
    }
}

void AppendEncoded(std::string& out, unsigned char c, EncodeSet set) {
    static const char kHex[] = "0123456789ABCDEF";
    if (MustEncode(c, set)) {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
    } else {
        out += static_cast<char>(c);
    }
}

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (ascii::ToLower(a[i]) != ascii::ToLower(b[i])) return false;
    }
    return true;
}

// "." and ".." also when written %2e, as browsers read them.
bool IsSingleDot(std::string_view s) {
    return s == "." || EqualsNoCase(s, "%2e");
}

bool IsDoubleDot(std::string_view s) {
    return s == ".." || EqualsNoCase(s, ".%2e") || EqualsNoCase(s, "%2e.") ||
           EqualsNoCase(s, "%2e%2e");
}

int DefaultPort(std::string_view scheme) {
    return scheme == "http" ? 80 : scheme == "https" ? 443 : -1;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> segments;
    if (path.empty()) return segments;
    for (std::string_view segment :
         SplitAt(std::string_view(path).substr(path[0] == '/' ? 1 : 0), '/'))
        segments.emplace_back(segment);
    return segments;
}

// The basic URL parser's states, those an http(s) URL passes through.
enum class State {
    kSchemeStart,
    kScheme,
    kNoScheme,
    kSpecialRelativeOrAuthority,
    kRelative,
    kRelativeSlash,
    kSpecialAuthoritySlashes,
    kSpecialAuthorityIgnoreSlashes,
    kAuthority,
    kHost,
    kPort,
    kPathStart,
    kPath,
    kQuery,
    kFragment,
};

class Parser {
public:
    Parser(const std::string& input, const Url* base, const Hooks& hooks)
        : in_(CleanInput(input)), base_(base), hooks_(hooks) {}

    bool Run(Url& out);

private:
    static constexpr int kEof = -1;

    int At(size_t i) const { return i < in_.size() ? static_cast<unsigned char>(in_[i]) : kEof; }
    bool RemainingStartsWith(char c) const { return At(pos_ + 1) == c; }
    bool Step(int c);
    void ShortenPath() {
        if (!segments_.empty()) segments_.pop_back();
    }
    void FlushQuery();
    // "?" starts an empty query and "#" a fragment; any other character starts neither.
    void StartQueryOrFragment(int c) {
        if (c == '?') {
            url_.query.clear();
            url_.hasQuery = true;
            state_ = State::kQuery;
        } else if (c == '#') {
            url_.hasFragment = true;
            state_ = State::kFragment;
        }
    }

    std::string in_;
    const Url* base_;
    const Hooks& hooks_;
    size_t pos_ = 0;
    State state_ = State::kSchemeStart;
    std::string buffer_;
    bool atSignSeen_ = false, insideBrackets_ = false, passwordTokenSeen_ = false;

    Url url_;
    std::vector<std::string> segments_;
};

bool Parser::Run(Url& out) {
    // `pos_` may step back before the start (pos_ - 1 on size_t wraps, and the loop's increment
    // brings it back to 0), so that states can hand a character back to be read again.
    for (;; ++pos_) {
        int c = At(pos_);
        if (!Step(c)) return false;
        if (c == kEof && pos_ != static_cast<size_t>(-1) && pos_ >= in_.size()) break;
    }
    if (url_.scheme.empty() || url_.host.empty()) return false;
    std::string path;
    for (const std::string& s : segments_) path += "/" + s;
    url_.path = path.empty() ? "/" : path;
    out = std::move(url_);
    return true;
}

void Parser::FlushQuery() {
    std::string bytes = buffer_;
    bool ascii = true;
    for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii && hooks_.encodeQuery) bytes = hooks_.encodeQuery(bytes);
    for (char c : bytes)
        AppendEncoded(url_.query, static_cast<unsigned char>(c), EncodeSet::kQuery);
    buffer_.clear();
}

bool Parser::Step(int c) {
    const bool endOfAuthority = c == kEof || c == '/' || c == '?' || c == '#' || c == '\\';
    switch (state_) {
        case State::kSchemeStart:
            if (c != kEof && IsAlpha(static_cast<char>(c))) {
                buffer_ += ascii::ToLower(static_cast<char>(c));
                state_ = State::kScheme;
            } else {
                state_ = State::kNoScheme;
                --pos_;
            }
            return true;

        case State::kScheme:
            if (c != kEof && (IsAlpha(static_cast<char>(c)) || IsDigit(static_cast<char>(c)) ||
                              c == '+' || c == '-' || c == '.')) {
                buffer_ += ascii::ToLower(static_cast<char>(c));
            } else if (c == ':') {
                if (DefaultPort(buffer_) < 0) return false;  // not a scheme we fetch
                url_.scheme = buffer_;
                buffer_.clear();
                state_ = base_ && base_->scheme == url_.scheme ? State::kSpecialRelativeOrAuthority
                                                               : State::kSpecialAuthoritySlashes;
            } else {
                buffer_.clear();
                state_ = State::kNoScheme;
                pos_ = static_cast<size_t>(-1);
            }
            return true;

        case State::kNoScheme:
            if (!base_ || DefaultPort(base_->scheme) < 0) return false;
            state_ = State::kRelative;
            --pos_;
            return true;

        case State::kSpecialRelativeOrAuthority:
            if (c == '/' && RemainingStartsWith('/')) {
                state_ = State::kSpecialAuthorityIgnoreSlashes;
                ++pos_;
            } else {
                state_ = State::kRelative;
                --pos_;
            }
            return true;

        case State::kRelative:
            url_.scheme = base_->scheme;
            if (c == '/' || c == '\\') {
                state_ = State::kRelativeSlash;
                return true;
            }
            url_.username = base_->username;
            url_.password = base_->password;
            url_.host = base_->host;
            url_.port = base_->port;
            segments_ = SplitPath(base_->path);
            url_.query = base_->query;
            url_.hasQuery = base_->hasQuery;
            if (c == '?' || c == '#') {
                StartQueryOrFragment(c);
            } else if (c != kEof) {
                url_.query.clear();
                url_.hasQuery = false;
                ShortenPath();
                state_ = State::kPath;
                --pos_;
            }
            return true;

        case State::kRelativeSlash:
            if (c == '/' || c == '\\') {
                state_ = State::kSpecialAuthorityIgnoreSlashes;
            } else {
                url_.username = base_->username;
                url_.password = base_->password;
                url_.host = base_->host;
                url_.port = base_->port;
                state_ = State::kPath;
                --pos_;
            }
            return true;

        case State::kSpecialAuthoritySlashes:
            state_ = State::kSpecialAuthorityIgnoreSlashes;
            if (c == '/' && RemainingStartsWith('/')) {
                ++pos_;
            } else {
                --pos_;
            }
            return true;

        case State::kSpecialAuthorityIgnoreSlashes:
            if (c != '/' && c != '\\') {
                state_ = State::kAuthority;
                --pos_;
            }
            return true;

        case State::kAuthority:
            if (c == '@') {
                if (atSignSeen_) buffer_.insert(0, "%40");
                atSignSeen_ = true;
                for (char b : buffer_) {
                    if (b == ':' && !passwordTokenSeen_) {
                        passwordTokenSeen_ = true;
                        continue;
                    }
                    AppendEncoded(passwordTokenSeen_ ? url_.password : url_.username,
                                  static_cast<unsigned char>(b), EncodeSet::kUserinfo);
                }
                buffer_.clear();
            } else if (endOfAuthority) {
                if (atSignSeen_ && buffer_.empty()) return false;
                pos_ -= buffer_.size() + 1;
                buffer_.clear();
                state_ = State::kHost;
            } else {
                buffer_ += static_cast<char>(c);
            }
            return true;

        case State::kHost:
            if (c == ':' && !insideBrackets_) {
                if (buffer_.empty()) return false;
                if (!ParseHost(buffer_, hooks_.toAscii, url_.host)) return false;
                buffer_.clear();
                state_ = State::kPort;
            } else if (endOfAuthority) {
                --pos_;
                if (buffer_.empty()) return false;
                if (!ParseHost(buffer_, hooks_.toAscii, url_.host)) return false;
                buffer_.clear();
                state_ = State::kPathStart;
            } else {
                if (c == '[') insideBrackets_ = true;
                if (c == ']') insideBrackets_ = false;
                buffer_ += static_cast<char>(c);
            }
            return true;

        case State::kPort:
            if (c != kEof && IsDigit(static_cast<char>(c))) {
                buffer_ += static_cast<char>(c);
            } else if (endOfAuthority) {
                if (!buffer_.empty()) {
                    size_t first = buffer_.find_first_not_of('0');
                    std::string digits = first == std::string::npos ? "0" : buffer_.substr(first);
                    if (digits.size() > 5 || std::stol(digits) > 65535) return false;
                    int port = static_cast<int>(std::stol(digits));
                    url_.port = port == DefaultPort(url_.scheme) ? -1 : port;
                    buffer_.clear();
                }
                state_ = State::kPathStart;
                --pos_;
            } else {
                return false;
            }
            return true;

        case State::kPathStart:
            state_ = State::kPath;
            if (c != '/' && c != '\\') --pos_;
            return true;

        case State::kPath:
            if (c == kEof || c == '/' || c == '\\' || c == '?' || c == '#') {
                const bool slash = c == '/' || c == '\\';
                if (IsDoubleDot(buffer_)) {
                    ShortenPath();
                    if (!slash) segments_.emplace_back();
                } else if (IsSingleDot(buffer_)) {
                    if (!slash) segments_.emplace_back();
                } else {
                    segments_.push_back(buffer_);
                }
                buffer_.clear();
                StartQueryOrFragment(c);
            } else {
                AppendEncoded(buffer_, static_cast<unsigned char>(c), EncodeSet::kPath);
            }
            return true;

        case State::kQuery:
            if (c == '#' || c == kEof) {
                FlushQuery();
                if (c == '#') {
                    url_.hasFragment = true;
                    state_ = State::kFragment;
                }
            } else {
                buffer_ += static_cast<char>(c);
            }
            return true;

        case State::kFragment:
            if (c != kEof) {
                AppendEncoded(url_.fragment, static_cast<unsigned char>(c), EncodeSet::kFragment);
            }
            return true;
    }
    return false;
}

}  // namespace

std::string CleanInput(std::string_view input) {
    size_t begin = 0, end = input.size();
    while (begin < end && static_cast<unsigned char>(input[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(input[end - 1]) <= 0x20) --end;
    std::string out;
    out.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        if (input[i] != '\t' && input[i] != '\n' && input[i] != '\r') out += input[i];
    }
    return out;
}

std::string Url::Href() const {
    std::string out = scheme + "://";
    if (!username.empty() || !password.empty()) {
        out += username;
        if (!password.empty()) out += ":" + password;
        out += '@';
    }
    out += host;
    if (port >= 0) out += ":" + std::to_string(port);
    out += RequestTarget();
    if (hasFragment) out += "#" + fragment;
    return out;
}

std::string Url::RequestTarget() const {
    std::string out = path.empty() ? "/" : path;
    if (hasQuery) out += "?" + query;
    return out;
}

int Url::EffectivePort() const {
    return port >= 0 ? port : DefaultPort(scheme);
}

bool Parse(const std::string& input, const Url* base, Url& out, const Hooks& hooks) {
    return Parser(input, base, hooks).Run(out);
}

}  // namespace url
