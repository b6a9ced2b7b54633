// The interaction handler given to every load: the office asks it instead
// of showing a dialog (repair a damaged file, a password, update links,
// allow macros), and it refuses every question, so that the load fails
// instead of waiting for a user. It remembers what was asked, for the
// helper's message. Uses the office's UNO headers: the helper only.
#pragma once

#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ustring.hxx>

#include <mutex>
#include <string>

class Refusing_Interaction
    : public cppu::WeakImplHelper1<com::sun::star::task::XInteractionHandler> {
public:
    void SAL_CALL
    handle(const com::sun::star::uno::Reference<com::sun::star::task::XInteractionRequest>& request)
        override
    {
        using namespace com::sun::star;
        uno::Any asked = request->getRequest();
        // A warning (its code's top bit) only informs: it is let pass, as
        // the office's own silent handler does.
        task::ErrorCodeRequest code;
        bool warning = (asked >>= code) && (static_cast<sal_uInt32>(code.ErrCode) & 0x80000000u);
        if (!warning) {
            std::lock_guard<std::mutex> hold(lock);
            refused =
                rtl::OUStringToOString(asked.getValueTypeName(), RTL_TEXTENCODING_UTF8).getStr();
        }
        const auto choices = request->getContinuations();
        for (const auto& choice : choices)
            if (!warning && uno::Reference<task::XInteractionAbort>(choice, uno::UNO_QUERY).is())
                return choice->select();
        for (const auto& choice : choices)
            if (!warning &&
                uno::Reference<task::XInteractionDisapprove>(choice, uno::UNO_QUERY).is())
                return choice->select();
        for (const auto& choice : choices)
            if (warning && uno::Reference<task::XInteractionApprove>(choice, uno::UNO_QUERY).is())
                return choice->select();
    }

    // Why the last refused question came up, in words for the user ("" when
    // nothing was refused since the last call); forgets it.
    std::string Take_Reason()
    {
        std::lock_guard<std::mutex> hold(lock);
        std::string type;
        type.swap(refused);
        if (type.empty())
            return {};
        if (type.find("Password") != std::string::npos)
            return "it is protected by a password";
        if (type.find("BrokenPackage") != std::string::npos)
            return "the file is damaged";
        if (type.find("Macro") != std::string::npos)
            return "it contains macros, which are not run";
        if (type.find("Link") != std::string::npos)
            return "it links to other files, which are not read";
        if (type.find("Filter") != std::string::npos || type.find("Mismatch") != std::string::npos)
            return "its format is not recognised";
        return "the file cannot be read";
    }

private:
    std::mutex lock;
    std::string refused;
};
