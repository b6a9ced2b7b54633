// The automation layer: the variant values that travel to and from an
// automation server, the dispatch interface through which every server call
// is made, and the one family of errors that such a call may raise.
//
// Callers only ever see T_Variant and T_Dispatch. On Windows a backend wraps
// IDispatch (GetIDsOfNames, Invoke, QueryInterface) behind T_Dispatch; here
// servers are objects registered by ProgID in a process-wide registry, which
// is where tests put their fakes. Creation goes through
// Create_Automation_Object, so neither callers nor the exporters know which
// backend answers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

class T_Dispatch;

enum class T_Variant_Kind {
    Empty,
    Boolean,
    Int16,
    Int32,
    Wide_String, // UTF-16, as the servers' wide-string arguments
    String,      // 8-bit text
    String_Ref,  // 8-bit text passed by reference: the server may change it
    Dispatch,
};

// One automation value. Copies share a referenced string and a dispatch
// object, as copies of an automation variant share the object they hold.
class T_Variant {
public:
    T_Variant() = default;

    static T_Variant Boolean(bool value);
    static T_Variant Int16(std::int16_t value);
    static T_Variant Int32(std::int32_t value);
    static T_Variant Wide(const std::u16string& value);
    // A wide string made from UTF-8 text.
    static T_Variant Wide_From_Utf8(const std::string& value);
    static T_Variant String(const std::string& value);
    static T_Variant String_Ref(std::shared_ptr<std::string> value);
    static T_Variant Object(std::shared_ptr<T_Dispatch> value);

    T_Variant_Kind Kind() const { return kind; }
    bool Is_Empty() const { return kind == T_Variant_Kind::Empty; }

    // Conversions as the callers need them. A value that cannot be converted
    // raises T_Variant_Type_Error, which is not an automation error.
    bool As_Bool() const;
    std::int32_t As_Int() const;   // booleans give 0/-1, text must be a number
    std::string As_String() const; // UTF-8; numbers in decimal
    std::u16string As_Wide() const;
    std::shared_ptr<std::string> As_String_Ref() const;
    std::shared_ptr<T_Dispatch> As_Dispatch() const; // never null

private:
    T_Variant_Kind kind = T_Variant_Kind::Empty;
    std::variant<std::monostate, bool, std::int32_t, std::u16string, std::string,
                 std::shared_ptr<std::string>, std::shared_ptr<T_Dispatch>>
        value;
};

// A variant used where another kind was needed ("Invalid variant type
// conversion"). A programming or server fault, not an automation error.
class T_Variant_Type_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The automation error family: what the layer reports for a failed call on a
// server object. Exporters catch exactly this type.
class T_Automation_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The server does not know the member name.
class T_Unknown_Member_Error : public T_Automation_Error {
public:
    explicit T_Unknown_Member_Error(const std::string& member);
    std::string Member;
};

// The server raised an exception; the message is its description.
class T_Server_Exception : public T_Automation_Error {
public:
    T_Server_Exception(const std::string& description, const std::string& source = "");
    std::string Source;
};

// A call or a creation returned a failure status; the message is the
// system's text for it.
class T_Call_Failed_Error : public T_Automation_Error {
public:
    explicit T_Call_Failed_Error(std::int32_t status);
    std::int32_t Status;
};

// An interface query was refused. Deliberately not an automation error: a
// missing interface is a fault of the program, not of one call.
class T_Interface_Not_Supported : public std::runtime_error {
public:
    T_Interface_Not_Supported() : std::runtime_error("Interface not supported") {}
};

// Failure statuses that the layer itself reports.
namespace ole_status {
constexpr std::int32_t E_Fail = static_cast<std::int32_t>(0x80004005u);
constexpr std::int32_t E_No_Interface = static_cast<std::int32_t>(0x80004002u);
constexpr std::int32_t Member_Not_Found = static_cast<std::int32_t>(0x80020003u);
constexpr std::int32_t Type_Mismatch = static_cast<std::int32_t>(0x80020005u);
constexpr std::int32_t Bad_Param_Count = static_cast<std::int32_t>(0x8002000Eu);
constexpr std::int32_t Class_Not_Registered = static_cast<std::int32_t>(0x80040154u);
constexpr std::int32_t Invalid_Class_String = static_cast<std::int32_t>(0x800401F3u);
constexpr std::int32_t Server_Exec_Failure = static_cast<std::int32_t>(0x80080005u);
} // namespace ole_status

// The system's text for a failure status.
std::string Status_Message(std::int32_t status);

// The system's wording for the statuses that automation calls return, and
// "Error 0x..." for any other; what Status_Message says where the system
// has no text of its own.
std::string Standard_Status_Text(std::int32_t status);

// An interface identifier in its registry form, "{XXXXXXXX-XXXX-...}".
struct T_Guid {
    std::string Text;
    bool operator==(const T_Guid& other) const;
};

enum class T_Invoke_Kind { Method, Property_Get, Property_Put };

// A member of a server object, named or given by its dispatch number.
struct T_Member {
    T_Member(const char* name) : Name(name) {}
    T_Member(std::string name) : Name(std::move(name)) {}
    T_Member(std::int32_t dispid) : By_Id(true), Dispid(dispid) {}
    std::string Name;
    bool By_Id = false;
    std::int32_t Dispid = 0;
    // The name, or "#" and the number, for messages.
    std::string Display() const;
};

struct T_Named_Arg {
    std::string Name;
    T_Variant Value;
};

using T_Args = std::vector<T_Variant>;
using T_Named_Args = std::vector<T_Named_Arg>;

// A server object. Implementations answer Invoke and Query_Interface; the
// helpers below are how the program calls them.
class T_Dispatch {
public:
    virtual ~T_Dispatch() = default;

    // Calls one member. A name the object does not know raises
    // T_Unknown_Member_Error; a failed call T_Call_Failed_Error or
    // T_Server_Exception. Positional arguments stand in their natural order.
    virtual T_Variant Invoke(const T_Member& member, T_Invoke_Kind kind, const T_Args& args,
                             const T_Named_Args& named) = 0;

    // Another interface of the same object; raises T_Interface_Not_Supported.
    virtual std::shared_ptr<T_Dispatch> Query_Interface(const T_Guid& iid) = 0;

    T_Variant Call(const T_Member& member, const T_Args& args = {}, const T_Named_Args& named = {})
    {
        return Invoke(member, T_Invoke_Kind::Method, args, named);
    }
    T_Variant Get(const T_Member& member, const T_Args& args = {})
    {
        return Invoke(member, T_Invoke_Kind::Property_Get, args, {});
    }
    void Put(const T_Member& member, const T_Variant& value)
    {
        Invoke(member, T_Invoke_Kind::Property_Put, {value}, {});
    }
};

// Makes a new server object. Raises T_Call_Failed_Error when the server
// cannot be created; Try_Create_Ole_Object turns that into a result.
using T_Server_Factory = std::function<std::shared_ptr<T_Dispatch>()>;

// The process-wide registry of servers by ProgID (compared without regard to
// case, as the system registry does). Registering a ProgID again replaces
// its factory; an empty factory removes it.
void Register_Automation_Server(const std::string& prog_id, T_Server_Factory factory);
void Unregister_Automation_Server(const std::string& prog_id);

// The factory registered under the ProgID, or an empty one.
T_Server_Factory Find_Automation_Server(const std::string& prog_id);

// Creates an object of the server registered under the ProgID. An unknown
// ProgID raises T_Call_Failed_Error with Invalid_Class_String, as the
// system's lookup of an unregistered class does. With COM (Windows) a ProgID
// that is not registered here is created by the system (CLSIDFromProgID and
// CoCreateInstance) and its failure status raised the same way.
std::shared_ptr<T_Dispatch> Create_Automation_Object(const std::string& prog_id);

// The user-interface thread's COM apartment (single-threaded) for the
// object's lifetime; nothing where there is no COM. The program holds one
// from start-up to exit, since every automation call runs on that thread.
class T_Automation_Apartment {
public:
    T_Automation_Apartment();
    ~T_Automation_Apartment();
    T_Automation_Apartment(const T_Automation_Apartment&) = delete;
    T_Automation_Apartment& operator=(const T_Automation_Apartment&) = delete;

private:
    bool entered = false;
};
