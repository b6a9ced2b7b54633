// JSON as the program writes it. Every output (the lines of --compare
// --json, a report folder's report.json, merged reports) is built as a
// value and written here, so that text is escaped one way everywhere and a
// name that is not UTF-8 always keeps its exact bytes beside it.
#pragma once

#include <concepts>
#include <cstddef>
#include <string>
#include <utility>
#include <variant>
#include <vector>

class T_Json {
public:
    // How the text of a name that is not valid UTF-8 is spelled; either
    // way its exact bytes go beside it, under the key with "_bytes".
    enum class T_Odd_Bytes {
        Replaced, // each byte that is not UTF-8 becomes U+FFFD, as in any text
        Shown,    // each such byte is written \xNN: names apart only there read apart
    };

    T_Json() = default; // null
    T_Json(std::nullptr_t) {}
    T_Json(bool Value) : Value_(Value) {}
    template <std::integral T_Integer>
    requires(!std::same_as<T_Integer, bool>) T_Json(T_Integer Value)
        : Value_(T_Number{std::to_string(Value)})
    {
    }
    // The shortest spelling that reads back as the same double; a whole
    // number is written without a fraction or an exponent.
    T_Json(double Value);
    // Text is bytes, meant as UTF-8 (see Escaped).
    T_Json(const char* Text) : Value_(std::string(Text)) {}
    T_Json(std::string Text) : Value_(std::move(Text)) {}

    static T_Json Object();
    static T_Json Array();
    // A number spelled as given, for outputs that fix their decimals.
    static T_Json Number(std::string Spelled);

    // Of an object: sets a member, in place of one set before under Key.
    // (Each also on a value being built, which is then moved on, not copied.)
    T_Json& Set(const std::string& Key, T_Json Value) &;
    T_Json&& Set(const std::string& Key, T_Json Value) &&
    {
        return std::move(Set(Key, std::move(Value)));
    }
    // Of an object: a file's name under Key, and when it is not valid
    // UTF-8 its exact bytes, in hexadecimal, under Key + "_bytes".
    T_Json& Set_Name(const std::string& Key, const std::string& Name, T_Odd_Bytes Spelling);
    // Of an array: adds an element at its end.
    T_Json& Append(T_Json Value) &;
    T_Json&& Append(T_Json Value) && { return std::move(Append(std::move(Value))); }

    bool Is_Object() const { return std::holds_alternative<T_Members>(Value_); }

    // On one line, without a line end, members in the order they were set.
    std::string Line() const;
    // Indented by four spaces a level, each object's members sorted by key,
    // ending in a line end: the layout report.json has always had.
    std::string Indented() const;

private:
    struct T_Number {
        std::string Spelled;
    };
    using T_Elements = std::vector<T_Json>;
    using T_Members = std::vector<std::pair<std::string, T_Json>>;

    void Write_Line(std::string& Out) const;
    void Write_Indented(std::string& Out, int Level) const;

    std::variant<std::nullptr_t, bool, T_Number, std::string, T_Elements, T_Members> Value_;
};

// Text as a JSON string, quotes included: quotes, backslashes and control
// characters escaped, and each byte that is not part of valid UTF-8
// replaced by U+FFFD, so that the output is always valid JSON.
std::string Json_String(const std::string& Text);
