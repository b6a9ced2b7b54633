#include "automation/office_bridge_server.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

namespace {

constexpr const char* Server_Source = "LibreOffice";
// Visio's code for PDF among the fixed formats a document exports to.
constexpr std::int32_t Fixed_Format_Pdf = 1;

std::string Lower(const std::string& text)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::int32_t Number(const std::string& field)
{
    try {
        size_t used = 0;
        long value = std::stol(field, &used);
        if (used == field.size())
            return static_cast<std::int32_t>(value);
    } catch (const std::exception&) {
    }
    throw T_Server_Exception("The office helper gave a malformed answer: " + field, Server_Source);
}

// What every object of one server shares: the helper and the page ID table.
class T_Bridge {
public:
    explicit T_Bridge(std::shared_ptr<T_Office_Channel> to_helper) : channel(std::move(to_helper))
    {
    }
    ~T_Bridge()
    {
        try {
            channel->Close();
        } catch (...) {
            // Closing kills what does not quit; nothing is left to report to.
        }
    }

    std::vector<std::string> Request(const std::vector<std::string>& fields)
    {
        return channel->Request(fields);
    }
    void Close() { channel->Close(); }

    // The ID of the `occurrence`th page (from 0) of this name in its document.
    std::int32_t Page_ID(const std::string& name, int occurrence)
    {
        auto key = std::make_pair(name, occurrence);
        auto found = ids.find(key);
        if (found != ids.end())
            return found->second;
        std::int32_t id = static_cast<std::int32_t>(ids.size()) + 1;
        ids.emplace(key, id);
        return id;
    }

private:
    std::shared_ptr<T_Office_Channel> channel;
    std::map<std::pair<std::string, int>, std::int32_t> ids;
};

// An object of the server: members by name, without regard to case.
class T_Office_Object : public T_Dispatch {
public:
    explicit T_Office_Object(std::shared_ptr<T_Bridge> shared) : bridge(std::move(shared)) {}

    T_Variant Invoke(const T_Member& member, T_Invoke_Kind kind, const T_Args& args,
                     const T_Named_Args&) override
    {
        if (member.By_Id)
            throw T_Call_Failed_Error(ole_status::Member_Not_Found);
        return Answer(Lower(member.Name), member.Name, kind, args);
    }

    std::shared_ptr<T_Dispatch> Query_Interface(const T_Guid&) override
    {
        throw T_Interface_Not_Supported();
    }

protected:
    virtual T_Variant Answer(const std::string& name, const std::string& as_called,
                             T_Invoke_Kind kind, const T_Args& args) = 0;

    static const T_Variant& Arg(const T_Args& args, size_t index)
    {
        if (index >= args.size())
            throw T_Call_Failed_Error(ole_status::Bad_Param_Count);
        return args[index];
    }

    std::shared_ptr<T_Bridge> bridge;
};

struct T_Doc_State {
    std::string Id;                 // the helper's document number
    std::vector<std::string> Names; // page names in page order, read at open
    bool Closed = false;
};

// A page's shapes: only their number, which tells a page that holds a
// drawing from an empty one whatever its picture shows.
class T_Office_Shapes : public T_Office_Object {
public:
    T_Office_Shapes(std::shared_ptr<T_Bridge> shared, std::shared_ptr<T_Doc_State> doc_state,
                    int page)
        : T_Office_Object(std::move(shared)), doc(std::move(doc_state)), index(page)
    {
    }

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind,
                     const T_Args&) override
    {
        if (doc->Closed)
            throw T_Server_Exception("The document is closed", Server_Source);
        if (name == "count") {
            std::vector<std::string> answer =
                bridge->Request({"SHAPES", doc->Id, std::to_string(index)});
            return T_Variant::Int32(Number(answer.empty() ? "" : answer[0]));
        }
        throw T_Unknown_Member_Error(as_called);
    }

private:
    std::shared_ptr<T_Doc_State> doc;
    int index;
};

class T_Office_Page : public T_Office_Object {
public:
    T_Office_Page(std::shared_ptr<T_Bridge> shared, std::shared_ptr<T_Doc_State> doc_state,
                  int page)
        : T_Office_Object(std::move(shared)), doc(std::move(doc_state)), index(page)
    {
    }

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind,
                     const T_Args& args) override
    {
        if (doc->Closed)
            throw T_Server_Exception("The document is closed", Server_Source);
        const std::string& page_name = doc->Names[static_cast<size_t>(index)];
        if (name == "name" || name == "nameu")
            return T_Variant::Wide_From_Utf8(page_name);
        if (name == "id") {
            int occurrence = static_cast<int>(
                std::count(doc->Names.begin(), doc->Names.begin() + index, page_name));
            return T_Variant::Int32(bridge->Page_ID(page_name, occurrence));
        }
        if (name == "index")
            return T_Variant::Int16(static_cast<std::int16_t>(index + 1));
        if (name == "shapes")
            return T_Variant::Object(std::make_shared<T_Office_Shapes>(bridge, doc, index));
        if (name == "export") {
            std::string file = Arg(args, 0).As_String();
            std::string lower = Lower(file);
            if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".png") != 0)
                throw T_Server_Exception("Pages export as PNG only: " + file, Server_Source);
            bridge->Request({"EXPORT", doc->Id, std::to_string(index), file});
            return T_Variant();
        }
        throw T_Unknown_Member_Error(as_called);
    }

private:
    std::shared_ptr<T_Doc_State> doc;
    int index;
};

class T_Office_Pages : public T_Office_Object {
public:
    T_Office_Pages(std::shared_ptr<T_Bridge> shared, std::shared_ptr<T_Doc_State> doc_state)
        : T_Office_Object(std::move(shared)), doc(std::move(doc_state))
    {
    }

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind,
                     const T_Args& args) override
    {
        if (doc->Closed)
            throw T_Server_Exception("The document is closed", Server_Source);
        if (name == "count") {
            // Asked of the helper each time: an office that went away since
            // the document was opened shows here.
            std::vector<std::string> answer = bridge->Request({"COUNT", doc->Id});
            return T_Variant::Int32(Number(answer.empty() ? "" : answer[0]));
        }
        if (name == "item") {
            const T_Variant& which = Arg(args, 0);
            int page = -1;
            if (which.Kind() == T_Variant_Kind::String ||
                which.Kind() == T_Variant_Kind::Wide_String ||
                which.Kind() == T_Variant_Kind::String_Ref) {
                auto found = std::find(doc->Names.begin(), doc->Names.end(), which.As_String());
                if (found != doc->Names.end())
                    page = static_cast<int>(found - doc->Names.begin());
            } else {
                page = which.As_Int() - 1;
            }
            if (page < 0 || page >= static_cast<int>(doc->Names.size()))
                throw T_Server_Exception("Invalid page", Server_Source);
            return T_Variant::Object(std::make_shared<T_Office_Page>(bridge, doc, page));
        }
        throw T_Unknown_Member_Error(as_called);
    }

private:
    std::shared_ptr<T_Doc_State> doc;
};

class T_Office_Document : public T_Office_Object {
public:
    T_Office_Document(std::shared_ptr<T_Bridge> shared, std::shared_ptr<T_Doc_State> doc_state)
        : T_Office_Object(std::move(shared)), doc(std::move(doc_state))
    {
    }

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind,
                     const T_Args& args) override
    {
        if (doc->Closed)
            throw T_Server_Exception("The document is closed", Server_Source);
        if (name == "pages")
            return T_Variant::Object(std::make_shared<T_Office_Pages>(bridge, doc));
        if (name == "exportasfixedformat") {
            // Visio's (format, file, intent, range): the whole drawing as
            // one PDF, every page of it.
            if (Arg(args, 0).As_Int() != Fixed_Format_Pdf)
                throw T_Server_Exception("Drawings export as PDF only", Server_Source);
            bridge->Request({"EXPORTPDF", doc->Id, Arg(args, 1).As_String()});
            return T_Variant();
        }
        if (name == "close") {
            doc->Closed = true;
            bridge->Request({"CLOSE", doc->Id});
            return T_Variant();
        }
        throw T_Unknown_Member_Error(as_called);
    }

private:
    std::shared_ptr<T_Doc_State> doc;
};

class T_Office_Documents : public T_Office_Object {
public:
    using T_Office_Object::T_Office_Object;

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind,
                     const T_Args& args) override
    {
        if (name != "openex" && name != "open")
            throw T_Unknown_Member_Error(as_called);
        std::string file = Arg(args, 0).As_String();
        auto doc = std::make_shared<T_Doc_State>();
        std::vector<std::string> opened = bridge->Request({"OPEN", file});
        if (opened.empty())
            throw T_Server_Exception("The office helper gave no document", Server_Source);
        doc->Id = opened[0];
        try {
            std::vector<std::string> count = bridge->Request({"COUNT", doc->Id});
            std::int32_t pages = Number(count.empty() ? "" : count[0]);
            for (std::int32_t page = 0; page < pages; ++page) {
                std::vector<std::string> answer =
                    bridge->Request({"NAME", doc->Id, std::to_string(page)});
                doc->Names.push_back(answer.empty() ? std::string() : answer[0]);
            }
        } catch (const T_Automation_Error&) {
            // The caller never gets this document, so it cannot close it.
            try {
                bridge->Request({"CLOSE", doc->Id});
            } catch (const T_Automation_Error&) {
            }
            throw;
        }
        return T_Variant::Object(std::make_shared<T_Office_Document>(bridge, doc));
    }
};

class T_Office_Application : public T_Office_Object {
public:
    using T_Office_Object::T_Office_Object;

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind kind,
                     const T_Args& args) override
    {
        // Visio's window and alert settings: the office runs headless and
        // never asks, so both are accepted and have nothing to change.
        if ((name == "visible" || name == "alertresponse") && kind == T_Invoke_Kind::Property_Put) {
            Arg(args, 0);
            return T_Variant();
        }
        if (name == "documents")
            return T_Variant::Object(std::make_shared<T_Office_Documents>(bridge));
        if (name == "quit") {
            bridge->Close();
            return T_Variant();
        }
        throw T_Unknown_Member_Error(as_called);
    }
};

// A document opened for comparison.
class T_Office_Text_Document : public T_Office_Object {
public:
    T_Office_Text_Document(std::shared_ptr<T_Bridge> shared, std::string helper_id)
        : T_Office_Object(std::move(shared)), Id(std::move(helper_id))
    {
    }
    const std::string Id;

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind,
                     const T_Args&) override
    {
        if (name != "close")
            throw T_Unknown_Member_Error(as_called);
        if (!closed) {
            closed = true;
            bridge->Request({"CLOSE", Id});
        }
        return T_Variant();
    }

private:
    bool closed = false;
};

class T_Office_Text_Documents : public T_Office_Object {
public:
    using T_Office_Object::T_Office_Object;

    // Always read-only, whatever the caller asks for; hidden unless the
    // caller asks for a visible document, which is then the user's to read.
    T_Variant Invoke(const T_Member& member, T_Invoke_Kind kind, const T_Args& args,
                     const T_Named_Args& named) override
    {
        shown = false;
        for (const T_Named_Arg& arg : named)
            if (Lower(arg.Name) == "visible")
                shown = arg.Value.As_Bool();
        return T_Office_Object::Invoke(member, kind, args, named);
    }

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind,
                     const T_Args& args) override
    {
        if (name != "opennorepairdialog" && name != "open")
            throw T_Unknown_Member_Error(as_called);
        std::vector<std::string> opened =
            bridge->Request({shown ? "SHOWTEXT" : "OPENTEXT", Arg(args, 0).As_String()});
        if (opened.empty())
            throw T_Server_Exception("The office helper gave no document", Server_Source);
        return T_Variant::Object(std::make_shared<T_Office_Text_Document>(bridge, opened[0]));
    }

private:
    bool shown = false; // the call being answered asked for a visible document
};

// Word's application object as MS_Word_Compare uses it: LibreOffice Writer
// shows the comparison in a window of its own, which stays with the user
// after the program has ended.
class T_Office_Word : public T_Office_Object {
public:
    using T_Office_Object::T_Office_Object;

protected:
    T_Variant Answer(const std::string& name, const std::string& as_called, T_Invoke_Kind kind,
                     const T_Args& args) override
    {
        if (name == "visible" && kind == T_Invoke_Kind::Property_Put) {
            Arg(args, 0);
            return T_Variant(); // the comparison's window shows itself
        }
        if (name == "documents")
            return T_Variant::Object(std::make_shared<T_Office_Text_Documents>(bridge));
        if (name == "comparedocuments") {
            auto base =
                std::dynamic_pointer_cast<T_Office_Text_Document>(Arg(args, 0).As_Dispatch());
            auto revised =
                std::dynamic_pointer_cast<T_Office_Text_Document>(Arg(args, 1).As_Dispatch());
            if (!base || !revised)
                throw T_Call_Failed_Error(ole_status::Type_Mismatch);
            bridge->Request({"COMPARE", base->Id, revised->Id});
            return T_Variant();
        }
        if (name == "activate") {
            bridge->Request({"ACTIVATE"});
            return T_Variant();
        }
        if (name == "quit") {
            bridge->Close();
            return T_Variant();
        }
        throw T_Unknown_Member_Error(as_called);
    }
};

} // namespace

std::shared_ptr<T_Dispatch> Make_Office_Word_Server(std::shared_ptr<T_Office_Channel> channel)
{
    return std::make_shared<T_Office_Word>(std::make_shared<T_Bridge>(std::move(channel)));
}

std::shared_ptr<T_Dispatch> Make_Office_Drawing_Server(std::shared_ptr<T_Office_Channel> channel)
{
    return std::make_shared<T_Office_Application>(std::make_shared<T_Bridge>(std::move(channel)));
}
