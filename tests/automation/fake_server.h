// A scriptable automation object for tests: members answer through
// handlers, every call is logged, unknown names fail as a server would.
#pragma once

#include "u_ole_automation.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace test {

using T_Handler = std::function<T_Variant(const T_Args&, const T_Named_Args&)>;

class Fake_Object : public T_Dispatch {
public:
    Fake_Object(std::string name, std::shared_ptr<std::vector<std::string>> log)
        : Name(std::move(name)), Log(std::move(log))
    {
    }

    T_Variant Invoke(const T_Member& member, T_Invoke_Kind kind, const T_Args& args,
                     const T_Named_Args& named) override
    {
        std::string key = member.Display();
        Log->push_back(Name + "." + key);
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

    std::string Name;
    std::shared_ptr<std::vector<std::string>> Log;
    std::map<std::string, T_Handler> Handlers;
    std::map<std::string, T_Invoke_Kind> Kinds;
    std::map<std::string, std::shared_ptr<T_Dispatch>> Interfaces;
};

// Registers a server for the lifetime of the object.
class Server_Registration {
public:
    Server_Registration(std::string prog_id, T_Server_Factory factory) : Prog_ID(std::move(prog_id))
    {
        Register_Automation_Server(Prog_ID, std::move(factory));
    }
    ~Server_Registration() { Unregister_Automation_Server(Prog_ID); }
    std::string Prog_ID;
};

} // namespace test
