#include "headless/json_value.h"

#include "vocabulary/utf8_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Whole numbers up to 2^53 are exact in a double: written as integers.
constexpr double Exact_Whole_Numbers = 9007199254740992.0;

std::string Shortest(double Value)
{
    if (!std::isfinite(Value))
        return "null"; // JSON has no infinity and no NaN
    if (Value == std::floor(Value) && std::fabs(Value) <= Exact_Whole_Numbers)
        return std::to_string(static_cast<long long>(Value));
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, Value, std::chars_format::general);
    return std::string(text, end.ptr);
}

void Indent(std::string& Out, int Level) { Out.append(std::size_t(Level) * 4, ' '); }

} // namespace

std::string Json_String(const std::string& Text)
{
    std::string quoted = "\"";
    for (std::size_t at = 0; at < Text.size();) {
        const std::size_t length = Utf8_Sequence_Length(Text, at);
        const unsigned char c = static_cast<unsigned char>(Text[at]);
        if (length == 0) {
            quoted += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted.append(Text, at, length);
        }
        at += length;
    }
    return quoted + "\"";
}

T_Json::T_Json(double Value) : Value_(T_Number{Shortest(Value)}) {}

T_Json T_Json::Object()
{
    T_Json object;
    object.Value_ = T_Members{};
    return object;
}

T_Json T_Json::Array()
{
    T_Json array;
    array.Value_ = T_Elements{};
    return array;
}

T_Json T_Json::Number(std::string Spelled)
{
    T_Json number;
    number.Value_ = T_Number{std::move(Spelled)};
    return number;
}

T_Json& T_Json::Set(const std::string& Key, T_Json Value) &
{
    T_Members& members = std::get<T_Members>(Value_);
    const auto same = [&Key](const auto& member) { return member.first == Key; };
    if (auto found = std::find_if(members.begin(), members.end(), same); found != members.end())
        found->second = std::move(Value);
    else
        members.emplace_back(Key, std::move(Value));
    return *this;
}

T_Json& T_Json::Set_Name(const std::string& Key, const std::string& Name, T_Odd_Bytes Spelling)
{
    if (Is_Valid_Utf8(Name))
        return Set(Key, Name);
    Set(Key, Spelling == T_Odd_Bytes::Shown ? Invalid_Bytes_Shown(Name) : Name);
    return Set(Key + "_bytes", Hex_Bytes(Name));
}

T_Json& T_Json::Append(T_Json Value) &
{
    std::get<T_Elements>(Value_).push_back(std::move(Value));
    return *this;
}

std::string T_Json::Line() const
{
    std::string out;
    Write_Line(out);
    return out;
}

std::string T_Json::Indented() const
{
    std::string out;
    Write_Indented(out, 0);
    return out + "\n";
}

void T_Json::Write_Line(std::string& Out) const
{
    if (const auto* members = std::get_if<T_Members>(&Value_)) {
        Out += '{';
        for (const auto& [key, value] : *members) {
            if (&key != &members->front().first)
                Out += ',';
            Out += Json_String(key) + ':';
            value.Write_Line(Out);
        }
        Out += '}';
    } else if (const auto* elements = std::get_if<T_Elements>(&Value_)) {
        Out += '[';
        for (const T_Json& element : *elements) {
            if (&element != &elements->front())
                Out += ',';
            element.Write_Line(Out);
        }
        Out += ']';
    } else if (const auto* text = std::get_if<std::string>(&Value_)) {
        Out += Json_String(*text);
    } else if (const auto* number = std::get_if<T_Number>(&Value_)) {
        Out += number->Spelled;
    } else if (const auto* truth = std::get_if<bool>(&Value_)) {
        Out += *truth ? "true" : "false";
    } else {
        Out += "null";
    }
}

void T_Json::Write_Indented(std::string& Out, int Level) const
{
    if (const auto* members = std::get_if<T_Members>(&Value_)) {
        std::vector<const std::pair<std::string, T_Json>*> sorted;
        for (const auto& member : *members)
            sorted.push_back(&member);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto* a, const auto* b) { return a->first < b->first; });
        Out += "{\n";
        for (const auto* member : sorted) {
            Indent(Out, Level + 1);
            Out += Json_String(member->first) + ": ";
            member->second.Write_Indented(Out, Level + 1);
            Out += member == sorted.back() ? "\n" : ",\n";
        }
        Indent(Out, Level);
        Out += '}';
    } else if (const auto* elements = std::get_if<T_Elements>(&Value_)) {
        Out += "[\n";
        for (const T_Json& element : *elements) {
            Indent(Out, Level + 1);
            element.Write_Indented(Out, Level + 1);
            Out += &element == &elements->back() ? "\n" : ",\n";
        }
        Indent(Out, Level);
        Out += ']';
    } else {
        Write_Line(Out);
    }
}
