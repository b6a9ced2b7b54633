// The automation backend over COM: objects are created by ProgID through the
// system's class registry and called through IDispatch. Servers registered in
// this process by ProgID (Register_Automation_Server) are looked up first.
#include "automation/win32/u_ole_com.h"

#include "platform/win32/win32_text.h"

#include <objbase.h>
#include <oleauto.h>

#include <vector>

namespace {

using os::win32::Narrow;

std::string From_Bstr(BSTR text)
{
    return Narrow(text, text ? static_cast<int>(SysStringLen(text)) : 0);
}

BSTR To_Bstr(const std::u16string& text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

std::wstring Widen(const std::string& text)
{
    std::u16string wide = T_Variant::Wide_From_Utf8(text).As_Wide();
    return std::wstring(wide.begin(), wide.end());
}

// The arguments of one Invoke: VARIANTs in the order IDispatch wants them
// (last positional argument first, named ones before all), and the strings
// passed by reference, written back into the caller's text afterwards.
class T_Invoke_Arguments {
public:
    ~T_Invoke_Arguments()
    {
        for (VARIANT& value : Values)
            VariantClear(&value);
        for (BSTR text : Referenced)
            SysFreeString(text);
    }

    void Add(const T_Variant& value)
    {
        VARIANT& slot = Values.emplace_back();
        VariantInit(&slot);
        switch (value.Kind()) {
        case T_Variant_Kind::Empty:
            break;
        case T_Variant_Kind::Boolean:
            slot.vt = VT_BOOL;
            slot.boolVal = value.As_Bool() ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case T_Variant_Kind::Int16:
            slot.vt = VT_I2;
            slot.iVal = static_cast<SHORT>(value.As_Int());
            break;
        case T_Variant_Kind::Int32:
            slot.vt = VT_I4;
            slot.lVal = value.As_Int();
            break;
        case T_Variant_Kind::Wide_String:
        case T_Variant_Kind::String:
            slot.vt = VT_BSTR;
            slot.bstrVal = To_Bstr(value.As_Wide());
            break;
        case T_Variant_Kind::String_Ref:
            // The slot points at a string of ours; it is not freed with the
            // slot, since a reference owns nothing.
            Referenced.push_back(To_Bstr(value.As_Wide()));
            Back.push_back({Referenced.size() - 1, value.As_String_Ref()});
            slot.vt = VT_BSTR | VT_BYREF;
            slot.pbstrVal = nullptr; // set once Referenced stops growing
            Ref_Slots.push_back(Values.size() - 1);
            break;
        case T_Variant_Kind::Dispatch: {
            IDispatch* object = Com_Interface(value.As_Dispatch());
            if (!object) // an in-process object has no IDispatch to hand over
                throw T_Variant_Type_Error("Invalid variant type conversion");
            object->AddRef();
            slot.vt = VT_DISPATCH;
            slot.pdispVal = object;
            break;
        }
        }
    }

    // The parameter block; Values must not change after this.
    DISPPARAMS Params(std::vector<DISPID>& named_ids)
    {
        for (size_t i = 0; i < Ref_Slots.size(); ++i)
            Values[Ref_Slots[i]].pbstrVal = &Referenced[i];
        DISPPARAMS params{};
        params.cArgs = static_cast<UINT>(Values.size());
        params.rgvarg = Values.empty() ? nullptr : Values.data();
        params.cNamedArgs = static_cast<UINT>(named_ids.size());
        params.rgdispidNamedArgs = named_ids.empty() ? nullptr : named_ids.data();
        return params;
    }

    // What the server made of the strings passed by reference.
    void Write_Back()
    {
        for (auto& [index, text] : Back)
            *text = From_Bstr(Referenced[index]);
    }

private:
    std::vector<VARIANT> Values;
    std::vector<BSTR> Referenced;
    std::vector<size_t> Ref_Slots;
    std::vector<std::pair<size_t, std::shared_ptr<std::string>>> Back;
};

T_Variant From_Variant(VARIANT& value)
{
    VARIANT* v = &value;
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal)
        v = v->pvarVal;
    switch (v->vt) {
    case VT_EMPTY:
    case VT_NULL:
        return T_Variant();
    case VT_BOOL:
        return T_Variant::Boolean(v->boolVal != VARIANT_FALSE);
    case VT_I2:
        return T_Variant::Int16(v->iVal);
    case VT_I4:
        return T_Variant::Int32(v->lVal);
    case VT_BSTR: {
        const OLECHAR* text = v->bstrVal;
        UINT length = text ? SysStringLen(v->bstrVal) : 0;
        // Some servers count the closing zero into the length; no text of
        // theirs that the program uses ends in one.
        while (length > 0 && text[length - 1] == 0)
            --length;
        return T_Variant::Wide(std::u16string(reinterpret_cast<const char16_t*>(text),
                                              reinterpret_cast<const char16_t*>(text) + length));
    }
    case VT_DISPATCH:
        return T_Variant::Object(Com_Dispatch(v->pdispVal));
    case VT_UNKNOWN: {
        IDispatch* object = nullptr;
        if (v->punkVal && SUCCEEDED(v->punkVal->QueryInterface(
                              IID_IDispatch, reinterpret_cast<void**>(&object)))) {
            T_Variant result = T_Variant::Object(Com_Dispatch(object));
            object->Release();
            return result;
        }
        return T_Variant();
    }
    default: {
        // Other numbers as a 32-bit integer where they fit, else as text.
        VARIANT converted;
        VariantInit(&converted);
        if (SUCCEEDED(VariantChangeType(&converted, v, 0, VT_I4)))
            return T_Variant::Int32(converted.lVal);
        if (SUCCEEDED(VariantChangeType(&converted, v, 0, VT_BSTR))) {
            T_Variant text = T_Variant::Wide_From_Utf8(From_Bstr(converted.bstrVal));
            VariantClear(&converted);
            return text;
        }
        throw T_Variant_Type_Error("Invalid variant type conversion");
    }
    }
}

class T_Com_Dispatch : public T_Dispatch {
public:
    explicit T_Com_Dispatch(IDispatch* object) : Object(object) { Object->AddRef(); }
    ~T_Com_Dispatch() override { Object->Release(); }
    IDispatch* Interface() const { return Object; }

    T_Variant Invoke(const T_Member& member, T_Invoke_Kind kind, const T_Args& args,
                     const T_Named_Args& named) override
    {
        std::vector<DISPID> ids = Member_Ids(member, named);
        DISPID member_id = ids[0];
        std::vector<DISPID> named_ids(ids.begin() + 1, ids.end());

        T_Invoke_Arguments arguments;
        WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
        if (kind == T_Invoke_Kind::Property_Get)
            flags = DISPATCH_PROPERTYGET;
        if (kind == T_Invoke_Kind::Property_Put) {
            flags = DISPATCH_PROPERTYPUT;
            named_ids.assign(1, DISPID_PROPERTYPUT);
        }
        for (size_t i = named.size(); i-- > 0;)
            arguments.Add(named[i].Value);
        for (size_t i = args.size(); i-- > 0;)
            arguments.Add(args[i]);
        if (kind != T_Invoke_Kind::Property_Put) {
            // Named arguments stand first, in the order of their identifiers.
            std::reverse(named_ids.begin(), named_ids.end());
        }
        DISPPARAMS params = arguments.Params(named_ids);

        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception{};
        UINT bad_argument = 0;
        HRESULT status = Object->Invoke(member_id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                        kind == T_Invoke_Kind::Property_Put ? nullptr : &result,
                                        &exception, &bad_argument);
        if (status == DISP_E_EXCEPTION)
            Raise_Server_Exception(exception);
        if (status == DISP_E_UNKNOWNNAME)
            throw T_Unknown_Member_Error(member.Display());
        if (FAILED(status))
            throw T_Call_Failed_Error(status);
        arguments.Write_Back();
        T_Variant value = From_Variant(result);
        VariantClear(&result);
        return value;
    }

    // Interfaces that the program asks for are dual ones (it calls them by
    // dispatch number), so the pointer the object returns is an IDispatch.
    std::shared_ptr<T_Dispatch> Query_Interface(const T_Guid& iid) override
    {
        IID id;
        std::wstring text = Widen(iid.Text);
        if (FAILED(IIDFromString(text.c_str(), &id)))
            throw T_Interface_Not_Supported();
        IUnknown* found = nullptr;
        if (FAILED(Object->QueryInterface(id, reinterpret_cast<void**>(&found))) || !found)
            throw T_Interface_Not_Supported();
        auto wrapped = std::make_shared<T_Com_Dispatch>(static_cast<IDispatch*>(found));
        found->Release();
        return wrapped;
    }

private:
    // The member's dispatch identifier, then one for each named argument.
    std::vector<DISPID> Member_Ids(const T_Member& member, const T_Named_Args& named)
    {
        std::vector<DISPID> ids(1 + named.size(), DISPID_UNKNOWN);
        if (member.By_Id) {
            ids[0] = member.Dispid;
            if (named.empty())
                return ids;
            // Naming arguments needs the member's name; a call by number has none.
            throw T_Call_Failed_Error(static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
        }
        std::vector<std::wstring> names{Widen(member.Name)};
        for (const T_Named_Arg& argument : named)
            names.push_back(Widen(argument.Name));
        std::vector<LPOLESTR> pointers;
        for (std::wstring& name : names)
            pointers.push_back(name.data());
        HRESULT status =
            Object->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                  LOCALE_USER_DEFAULT, ids.data());
        if (status == DISP_E_UNKNOWNNAME && ids[0] == DISPID_UNKNOWN)
            throw T_Unknown_Member_Error(member.Name);
        if (FAILED(status))
            throw T_Call_Failed_Error(status);
        return ids;
    }

    [[noreturn]] static void Raise_Server_Exception(EXCEPINFO& exception)
    {
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        std::string description = From_Bstr(exception.bstrDescription);
        std::string source = From_Bstr(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrHelpFile);
        if (description.empty()) {
            std::int32_t code =
                exception.scode ? exception.scode : static_cast<std::int32_t>(DISP_E_EXCEPTION);
            description = Status_Message(code);
        }
        throw T_Server_Exception(description, source);
    }

    IDispatch* Object;
};

} // namespace

std::shared_ptr<T_Dispatch> Com_Dispatch(IDispatch* object)
{
    return object ? std::make_shared<T_Com_Dispatch>(object) : nullptr;
}

IDispatch* Com_Interface(const std::shared_ptr<T_Dispatch>& object)
{
    auto* com = dynamic_cast<T_Com_Dispatch*>(object.get());
    return com ? com->Interface() : nullptr;
}

std::shared_ptr<T_Dispatch> Create_Automation_Object(const std::string& prog_id)
{
    if (T_Server_Factory factory = Find_Automation_Server(prog_id)) {
        std::shared_ptr<T_Dispatch> object = factory();
        if (!object)
            throw T_Call_Failed_Error(ole_status::Server_Exec_Failure);
        return object;
    }
    CLSID class_id;
    std::wstring name = Widen(prog_id);
    HRESULT status = CLSIDFromProgID(name.c_str(), &class_id);
    if (FAILED(status))
        throw T_Call_Failed_Error(status);
    IDispatch* object = nullptr;
    // In-process or local server (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER).
    status = CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IDispatch, reinterpret_cast<void**>(&object));
    if (FAILED(status) || !object)
        throw T_Call_Failed_Error(FAILED(status) ? status : ole_status::E_No_Interface);
    auto wrapped = Com_Dispatch(object);
    object->Release();
    return wrapped;
}

std::string Status_Message(std::int32_t status)
{
    // The system's own text where it has one (wine has none for most COM
    // statuses), else the standard wording.
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length ? Narrow(buffer, static_cast<int>(length)) : std::string();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? Standard_Status_Text(status) : text;
}

// The failure carries the text this backend gives its status, so the
// automation core never calls back into the backend.
T_Call_Failed_Error::T_Call_Failed_Error(std::int32_t status)
    : T_Automation_Error(Status_Message(status)), Status(status)
{
}

T_Automation_Apartment::T_Automation_Apartment()
{
    // S_FALSE: this thread is already in an apartment of that kind; it is
    // left again at the end like any other entry.
    HRESULT status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    entered = SUCCEEDED(status);
}

T_Automation_Apartment::~T_Automation_Apartment()
{
    if (entered)
        CoUninitialize();
}
