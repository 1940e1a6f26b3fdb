// Just enough JSON to read the test server's request record: objects, arrays, strings,
// numbers, true, false, null.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace batch {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member `name` of an object, or a null value.
    const JsonValue& operator[](const std::string& name) const;
};

// Throws std::runtime_error on malformed input. \u escapes above 0xFF are kept as '?': the
// server's texts are Latin-1.
JsonValue ParseJson(const std::string& text);

}  // namespace batch
