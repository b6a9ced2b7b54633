#include "automation/u_ole_automation.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <mutex>

namespace {

std::u16string Utf8_To_Utf16(const std::string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        size_t length = 1;
        if (c < 0x80) {
            code = c;
        } else if ((c >> 5) == 0x6 && i + 1 < text.size()) {
            code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            length = 2;
        } else if ((c >> 4) == 0xE && i + 2 < text.size()) {
            code = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            length = 3;
        } else if ((c >> 3) == 0x1E && i + 3 < text.size()) {
            code = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                   ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
            length = 4;
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string Utf16_To_Utf8(const std::u16string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

[[noreturn]] void Type_Error() { throw T_Variant_Type_Error("Invalid variant type conversion"); }

struct T_Registry {
    std::mutex Lock;
    std::map<std::string, T_Server_Factory> Servers; // by upper-case ProgID
};

T_Registry& Registry()
{
    static T_Registry registry;
    return registry;
}

} // namespace

T_Variant T_Variant::Boolean(bool value)
{
    T_Variant v;
    v.kind = T_Variant_Kind::Boolean;
    v.value = value;
    return v;
}

T_Variant T_Variant::Int16(std::int16_t value)
{
    T_Variant v;
    v.kind = T_Variant_Kind::Int16;
    v.value = static_cast<std::int32_t>(value);
    return v;
}

T_Variant T_Variant::Int32(std::int32_t value)
{
    T_Variant v;
    v.kind = T_Variant_Kind::Int32;
    v.value = value;
    return v;
}

T_Variant T_Variant::Wide(const std::u16string& value)
{
    T_Variant v;
    v.kind = T_Variant_Kind::Wide_String;
    v.value = value;
    return v;
}

T_Variant T_Variant::Wide_From_Utf8(const std::string& value) { return Wide(Utf8_To_Utf16(value)); }

T_Variant T_Variant::String(const std::string& value)
{
    T_Variant v;
    v.kind = T_Variant_Kind::String;
    v.value = value;
    return v;
}

T_Variant T_Variant::String_Ref(std::shared_ptr<std::string> value)
{
    if (!value)
        value = std::make_shared<std::string>();
    T_Variant v;
    v.kind = T_Variant_Kind::String_Ref;
    v.value = std::move(value);
    return v;
}

T_Variant T_Variant::Object(std::shared_ptr<T_Dispatch> value)
{
    if (!value)
        return T_Variant();
    T_Variant v;
    v.kind = T_Variant_Kind::Dispatch;
    v.value = std::move(value);
    return v;
}

bool T_Variant::As_Bool() const
{
    switch (kind) {
    case T_Variant_Kind::Boolean:
        return std::get<bool>(value);
    case T_Variant_Kind::Int16:
    case T_Variant_Kind::Int32:
        return std::get<std::int32_t>(value) != 0;
    default:
        Type_Error();
    }
}

std::int32_t T_Variant::As_Int() const
{
    switch (kind) {
    case T_Variant_Kind::Boolean:
        return std::get<bool>(value) ? -1 : 0;
    case T_Variant_Kind::Int16:
    case T_Variant_Kind::Int32:
        return std::get<std::int32_t>(value);
    case T_Variant_Kind::Wide_String:
    case T_Variant_Kind::String:
    case T_Variant_Kind::String_Ref: {
        std::string text = As_String();
        std::int32_t number = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (text.empty() || error != std::errc() || end != text.data() + text.size())
            Type_Error();
        return number;
    }
    default:
        Type_Error();
    }
}

std::string T_Variant::As_String() const
{
    switch (kind) {
    case T_Variant_Kind::Empty:
        return "";
    case T_Variant_Kind::Boolean:
        return std::get<bool>(value) ? "True" : "False";
    case T_Variant_Kind::Int16:
    case T_Variant_Kind::Int32:
        return std::to_string(std::get<std::int32_t>(value));
    case T_Variant_Kind::Wide_String:
        return Utf16_To_Utf8(std::get<std::u16string>(value));
    case T_Variant_Kind::String:
        return std::get<std::string>(value);
    case T_Variant_Kind::String_Ref:
        return *std::get<std::shared_ptr<std::string>>(value);
    default:
        Type_Error();
    }
}

std::u16string T_Variant::As_Wide() const
{
    if (kind == T_Variant_Kind::Wide_String)
        return std::get<std::u16string>(value);
    return Utf8_To_Utf16(As_String());
}

std::shared_ptr<std::string> T_Variant::As_String_Ref() const
{
    if (kind != T_Variant_Kind::String_Ref)
        Type_Error();
    return std::get<std::shared_ptr<std::string>>(value);
}

std::shared_ptr<T_Dispatch> T_Variant::As_Dispatch() const
{
    if (kind != T_Variant_Kind::Dispatch)
        Type_Error();
    return std::get<std::shared_ptr<T_Dispatch>>(value);
}

T_Unknown_Member_Error::T_Unknown_Member_Error(const std::string& member)
    : T_Automation_Error("Method '" + member + "' not supported by automation object"),
      Member(member)
{
}

T_Server_Exception::T_Server_Exception(const std::string& description, const std::string& source)
    : T_Automation_Error(description), Source(source)
{
}

bool T_Guid::operator==(const T_Guid& other) const { return Upper(Text) == Upper(other.Text); }

std::string T_Member::Display() const { return By_Id ? "#" + std::to_string(Dispid) : Name; }

void Register_Automation_Server(const std::string& prog_id, T_Server_Factory factory)
{
    T_Registry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    if (factory)
        registry.Servers[Upper(prog_id)] = std::move(factory);
    else
        registry.Servers.erase(Upper(prog_id));
}

void Unregister_Automation_Server(const std::string& prog_id)
{
    Register_Automation_Server(prog_id, nullptr);
}

T_Server_Factory Find_Automation_Server(const std::string& prog_id)
{
    T_Registry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    auto found = registry.Servers.find(Upper(prog_id));
    return found == registry.Servers.end() ? T_Server_Factory() : found->second;
}

std::string Standard_Status_Text(std::int32_t status)
{
    // The texts the system gives for the statuses that automation calls
    // return; others are shown by number.
    switch (status) {
    case ole_status::E_Fail:
        return "Unspecified error";
    case ole_status::E_No_Interface:
        return "No such interface supported";
    case ole_status::Member_Not_Found:
        return "Member not found.";
    case ole_status::Type_Mismatch:
        return "Type mismatch.";
    case ole_status::Bad_Param_Count:
        return "Invalid number of parameters.";
    case ole_status::Class_Not_Registered:
        return "Class not registered";
    case ole_status::Invalid_Class_String:
        return "Invalid class string";
    case ole_status::Server_Exec_Failure:
        return "Server execution failed";
    default: {
        char text[11];
        auto [end, error] =
            std::to_chars(text, text + sizeof text, static_cast<std::uint32_t>(status), 16);
        (void)error;
        std::string hex(text, end);
        return "Error 0x" + Upper(std::string(8 - std::min<size_t>(8, hex.size()), '0') + hex);
    }
    }
}
