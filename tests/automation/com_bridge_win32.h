// A test server object behind a real IDispatch: the fakes of these tests
// answer GetIDsOfNames and Invoke as a COM server does, so that the program's
// calls travel through the COM backend (VARIANTs, DISPPARAMS, named
// arguments, by-reference strings, QueryInterface) and back.
#pragma once

#include "automation/win32/u_ole_com.h"

#include <windows.h>

#include <oleauto.h>

#include <algorithm>
#include <cwctype>
#include <map>

namespace test {

class Com_Bridge : public IDispatch {
public:
    explicit Com_Bridge(std::shared_ptr<T_Dispatch> target) : Target(std::move(target)) {}

    // The object as the program sees a server object created by COM.
    static std::shared_ptr<T_Dispatch> Expose(std::shared_ptr<T_Dispatch> target)
    {
        if (!target)
            return nullptr;
        auto* bridge = new Com_Bridge(std::move(target));
        auto wrapped = Com_Dispatch(bridge);
        bridge->Release();
        return wrapped;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        wchar_t text[40];
        StringFromGUID2(iid, text, 40);
        try {
            std::string guid;
            for (wchar_t* c = text; *c; ++c)
                guid += static_cast<char>(*c);
            *out = static_cast<IDispatch*>(new Com_Bridge(Target->Query_Interface(T_Guid{guid})));
            return S_OK;
        } catch (const T_Interface_Not_Supported&) {
            return E_NOINTERFACE;
        }
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = --References;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    // Every name gets a number: whether the object knows a member shows only
    // when it is called, as with a late-bound server.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) {
            std::string name = Narrow(names[i]);
            auto found = Ids.find(name);
            if (found == Ids.end()) {
                found = Ids.emplace(name, 1000 + static_cast<DISPID>(Ids.size())).first;
                Names[found->second] = name;
            }
            ids[i] = found->second;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override
    {
        T_Invoke_Kind kind = (flags & DISPATCH_PROPERTYPUT) ? T_Invoke_Kind::Property_Put
                             : (flags & DISPATCH_METHOD)    ? T_Invoke_Kind::Method
                                                            : T_Invoke_Kind::Property_Get;
        auto name = Names.find(id);
        T_Member member = name != Names.end() ? T_Member(name->second) : T_Member(std::int32_t(id));
        UINT named_count = kind == T_Invoke_Kind::Property_Put ? 0 : params->cNamedArgs;
        T_Args args;
        for (UINT i = params->cArgs; i-- > named_count;)
            args.push_back(From_Variant(params->rgvarg[i]));
        T_Named_Args named;
        for (UINT i = named_count; i-- > 0;)
            named.push_back({Names[params->rgdispidNamedArgs[i]], From_Variant(params->rgvarg[i])});
        try {
            T_Variant value = Target->Invoke(member, kind, args, named);
            // Strings passed by reference go back changed.
            for (UINT i = params->cArgs; i-- > named_count;) {
                VARIANT& slot = params->rgvarg[i];
                const T_Variant& arg = args[params->cArgs - 1 - i];
                if (slot.vt == (VT_BSTR | VT_BYREF)) {
                    SysFreeString(*slot.pbstrVal);
                    std::wstring text = Widen(arg.As_String());
                    *slot.pbstrVal = SysAllocString(text.c_str());
                }
            }
            if (result)
                To_Variant(value, *result);
            return S_OK;
        } catch (const T_Unknown_Member_Error&) {
            return DISP_E_UNKNOWNNAME;
        } catch (const T_Server_Exception& error) {
            if (exception) {
                *exception = EXCEPINFO{};
                exception->bstrDescription = SysAllocString(Widen(error.what()).c_str());
                exception->bstrSource = SysAllocString(Widen(error.Source).c_str());
                exception->scode = DISP_E_EXCEPTION;
            }
            return DISP_E_EXCEPTION;
        } catch (const T_Call_Failed_Error& error) {
            return error.Status;
        }
    }

private:
    virtual ~Com_Bridge() = default;

    static std::string Narrow(const wchar_t* text)
    {
        return T_Variant::Wide(std::u16string(text, text + wcslen(text))).As_String();
    }
    static std::wstring Widen(const std::string& text)
    {
        std::u16string wide = T_Variant::Wide_From_Utf8(text).As_Wide();
        return std::wstring(wide.begin(), wide.end());
    }

    static T_Variant From_Variant(VARIANT& value)
    {
        switch (value.vt) {
        case VT_BOOL:
            return T_Variant::Boolean(value.boolVal != VARIANT_FALSE);
        case VT_I2:
            return T_Variant::Int16(value.iVal);
        case VT_I4:
            return T_Variant::Int32(value.lVal);
        case VT_BSTR:
            return T_Variant::Wide_From_Utf8(Narrow(value.bstrVal ? value.bstrVal : L""));
        case VT_BSTR | VT_BYREF:
            return T_Variant::String_Ref(
                std::make_shared<std::string>(Narrow(*value.pbstrVal ? *value.pbstrVal : L"")));
        case VT_DISPATCH: {
            // One of ours comes back as the fake it stands for.
            if (auto* bridge = dynamic_cast<Com_Bridge*>(value.pdispVal))
                return T_Variant::Object(bridge->Target);
            return T_Variant::Object(Com_Dispatch(value.pdispVal));
        }
        default:
            return T_Variant();
        }
    }

    static void To_Variant(const T_Variant& value, VARIANT& out)
    {
        VariantInit(&out);
        switch (value.Kind()) {
        case T_Variant_Kind::Boolean:
            out.vt = VT_BOOL;
            out.boolVal = value.As_Bool() ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case T_Variant_Kind::Int16:
            out.vt = VT_I2;
            out.iVal = static_cast<SHORT>(value.As_Int());
            break;
        case T_Variant_Kind::Int32:
            out.vt = VT_I4;
            out.lVal = value.As_Int();
            break;
        case T_Variant_Kind::Wide_String:
        case T_Variant_Kind::String:
        case T_Variant_Kind::String_Ref:
            out.vt = VT_BSTR;
            out.bstrVal = SysAllocString(Widen(value.As_String()).c_str());
            break;
        case T_Variant_Kind::Dispatch:
            out.vt = VT_DISPATCH;
            out.pdispVal = new Com_Bridge(value.As_Dispatch());
            break;
        case T_Variant_Kind::Empty:
            break;
        }
    }

    std::shared_ptr<T_Dispatch> Target;
    ULONG References = 1;
    std::map<std::string, DISPID> Ids;
    std::map<DISPID, std::string> Names;
};

} // namespace test
