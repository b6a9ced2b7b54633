// A scriptable automation object for tests: members answer through
// handlers, every call is logged, unknown names fail as a server would.
#pragma once

#include "automation/u_ole_automation.h"
#ifdef VARNOLT_FAKES_THROUGH_COM
#include "tests/automation/com_bridge_win32.h"
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace test {

using T_Handler = std::function<T_Variant(const T_Args&, const T_Named_Args&)>;

std::string Describe(const T_Variant& value);

class Fake_Object : public T_Dispatch {
public:
    Fake_Object(std::string name, std::shared_ptr<std::vector<std::string>> log,
                std::shared_ptr<std::vector<std::string>> trace = nullptr)
        : Name(std::move(name)), Log(std::move(log)), Trace(std::move(trace))
    {
    }

    T_Variant Invoke(const T_Member& member, T_Invoke_Kind kind, const T_Args& args,
                     const T_Named_Args& named) override
    {
        std::string key = member.Display();
        Log->push_back(Name + "." + key);
        if (Trace)
            Trace->push_back(Describe_Call(key, kind, args, named));
        auto found = Handlers.find(key);
        if (found == Handlers.end()) {
            if (member.By_Id)
                throw T_Call_Failed_Error(ole_status::Member_Not_Found);
            throw T_Unknown_Member_Error(member.Name);
        }
        Kinds[key] = kind;
        return found->second(args, named);
    }

    std::shared_ptr<T_Dispatch> Query_Interface(const T_Guid& iid) override
    {
        if (Trace)
            Trace->push_back(Name + " query " + iid.Text);
        for (auto& [id, object] : Interfaces)
            if (T_Guid{id} == iid)
                return object;
        throw T_Interface_Not_Supported();
    }

    // A member that returns a fixed value.
    void Answer(const std::string& member, T_Variant value)
    {
        Handlers[member] = [value](const T_Args&, const T_Named_Args&) { return value; };
    }

    // One call as text: object, member, kind, then the positional and named
    // arguments with their types, e.g.
    //   doc0.#149 call(wstr '/t/a.cdw', bool true)
    //   docs.OpenNoRepairDialog call(str& '/t/a.doc', bool false; ReadOnly=bool true)
    std::string Describe_Call(const std::string& key, T_Invoke_Kind kind, const T_Args& args,
                              const T_Named_Args& named) const
    {
        const char* kinds[] = {"call", "get", "put"};
        std::string text = Name + "." + key + " " + kinds[static_cast<int>(kind)] + "(";
        for (size_t i = 0; i < args.size(); ++i)
            text += (i ? ", " : "") + Describe(args[i]);
        for (size_t i = 0; i < named.size(); ++i)
            text += (i ? ", " : "; ") + named[i].Name + "=" + Describe(named[i].Value);
        return text + ")";
    }

    std::string Name;
    std::shared_ptr<std::vector<std::string>> Log;
    // Every call described in full; not kept when empty.
    std::shared_ptr<std::vector<std::string>> Trace;
    std::map<std::string, T_Handler> Handlers;
    std::map<std::string, T_Invoke_Kind> Kinds;
    std::map<std::string, std::shared_ptr<T_Dispatch>> Interfaces;
};

inline std::string Describe(const T_Variant& value)
{
    switch (value.Kind()) {
    case T_Variant_Kind::Empty:
        return "empty";
    case T_Variant_Kind::Boolean:
        return value.As_Bool() ? "bool true" : "bool false";
    case T_Variant_Kind::Int16:
        return "i16 " + value.As_String();
    case T_Variant_Kind::Int32:
        return "i32 " + value.As_String();
    case T_Variant_Kind::Wide_String:
        return "wstr '" + value.As_String() + "'";
    case T_Variant_Kind::String:
        return "str '" + value.As_String() + "'";
    case T_Variant_Kind::String_Ref:
        return "str& '" + value.As_String() + "'";
    case T_Variant_Kind::Dispatch: {
        auto* fake = dynamic_cast<Fake_Object*>(value.As_Dispatch().get());
        return "obj " + (fake ? fake->Name : std::string("?"));
    }
    }
    return "?";
}

// Registers a server for the lifetime of the object. Built with
// VARNOLT_FAKES_THROUGH_COM (Windows), the server's objects stand behind a
// real IDispatch, so that every call goes through the COM backend.
class Server_Registration {
public:
    Server_Registration(std::string prog_id, T_Server_Factory factory) : Prog_ID(std::move(prog_id))
    {
#ifdef VARNOLT_FAKES_THROUGH_COM
        if (factory)
            factory = [inner = std::move(factory)] { return Com_Bridge::Expose(inner()); };
#endif
        Register_Automation_Server(Prog_ID, std::move(factory));
    }
    ~Server_Registration() { Unregister_Automation_Server(Prog_ID); }
    std::string Prog_ID;
};

// Writes a real PNG of one colour, uncompressed (stored deflate blocks), so
// that fake servers can "export" pages of any size without an image library.
inline void Write_Png(const std::string& path, int width, int height, std::uint8_t red,
                      std::uint8_t green, std::uint8_t blue)
{
    static const std::array<std::uint32_t, 256> crc_table = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return table;
    }();
    auto be32 = [](std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>((v >> shift) & 0xFF);
    };
    auto chunk = [&](std::string& out, const char* type, const std::string& data) {
        be32(out, static_cast<std::uint32_t>(data.size()));
        std::string body = std::string(type, 4) + data;
        std::uint32_t crc = 0xFFFFFFFFu;
        for (unsigned char c : body)
            crc = crc_table[(crc ^ c) & 0xFF] ^ (crc >> 8);
        out += body;
        be32(out, crc ^ 0xFFFFFFFFu);
    };

    std::string raw; // filter byte 0, then RGB per pixel, for each row
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            raw += static_cast<char>(red);
            raw += static_cast<char>(green);
            raw += static_cast<char>(blue);
        }
    }
    std::string zlib = "\x78\x01";
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        size_t length = std::min<size_t>(65535, raw.size() - at);
        bool last = at + length >= raw.size();
        zlib += static_cast<char>(last ? 1 : 0);
        zlib += static_cast<char>(length & 0xFF);
        zlib += static_cast<char>(length >> 8);
        zlib += static_cast<char>(~length & 0xFF);
        zlib += static_cast<char>((~length >> 8) & 0xFF);
        zlib += raw.substr(at, length);
        if (last)
            break;
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    be32(zlib, (b << 16) | a);

    std::string header;
    be32(header, static_cast<std::uint32_t>(width));
    be32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    std::string png = "\x89PNG\r\n\x1a\n";
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlib);
    chunk(png, "IEND", "");
    std::ofstream(path, std::ios::binary) << png;
}

} // namespace test
