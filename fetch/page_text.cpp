#include "fetch/line_ends.h"

std::string ToCrLf(const std::string& body) {
    std::string out;
    size_t lineFeeds = 0;
    for (char c : body) lineFeeds += c == '\n';
    out.reserve(body.size() + lineFeeds);
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n' && (i == 0 || body[i - 1] != '\r')) out += '\r';
        out += body[i];
    }
    return out;
}
