// The automation layer: values, calls, the error family and creation of
// servers by ProgID.
#include "tests/automation/fake_server.h"
#include "automation/u_ms_ole_common.h"

#include <gtest/gtest.h>

namespace {

auto New_Log() { return std::make_shared<std::vector<std::string>>(); }

TEST(Automation, CreatesRegisteredServerAndCallsItsMembers)
{
    auto log = New_Log();
    auto app = std::make_shared<test::Fake_Object>("app", log);
    T_Named_Args received_named;
    T_Args received;
    app->Handlers["OpenNoRepairDialog"] = [&](const T_Args& args, const T_Named_Args& named) {
        received = args;
        received_named = named;
        *args[0].As_String_Ref() = "changed by server";
        return T_Variant::Int32(7);
    };
    app->Answer("#82", T_Variant());
    test::Server_Registration server("Varnolt.Test.App", [&] { return app; });

    T_Variant object;
    std::string error = "stale";
    // ProgIDs are looked up without regard to case, as the system does.
    ASSERT_TRUE(Try_Create_Ole_Object("varnolt.test.APP", object, error));
    EXPECT_EQ(error, "");
    ASSERT_EQ(object.Kind(), T_Variant_Kind::Dispatch);

    auto name = std::make_shared<std::string>("C:\\a b\\plan.doc");
    T_Variant result = object.As_Dispatch()->Call(
        "OpenNoRepairDialog", {T_Variant::String_Ref(name), T_Variant::Boolean(false)},
        {{"ReadOnly", T_Variant::Boolean(true)}, {"Visible", T_Variant::Boolean(false)}});
    EXPECT_EQ(result.As_Int(), 7);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_FALSE(received[1].As_Bool());
    ASSERT_EQ(received_named.size(), 2u);
    EXPECT_EQ(received_named[0].Name, "ReadOnly");
    EXPECT_TRUE(received_named[0].Value.As_Bool());
    // A string passed by reference comes back changed.
    EXPECT_EQ(*name, "changed by server");

    object.As_Dispatch()->Call(82);
    EXPECT_EQ(*log, (std::vector<std::string>{"app.OpenNoRepairDialog", "app.#82"}));
}

TEST(Automation, CreationFailuresGiveTheSystemMessage)
{
    T_Variant object;
    std::string error;
    EXPECT_FALSE(Try_Create_Ole_Object("Nobody.Here", object, error));
    EXPECT_EQ(error, "Invalid class string");
    EXPECT_TRUE(object.Is_Empty());

    test::Server_Registration refusing(
        "Varnolt.Test.Refusing", []() -> std::shared_ptr<T_Dispatch> {
            throw T_Call_Failed_Error(ole_status::Class_Not_Registered);
        });
    EXPECT_FALSE(Try_Create_Ole_Object("Varnolt.Test.Refusing", object, error));
    EXPECT_EQ(error, "Class not registered");

    // Anything but a failure status escapes.
    test::Server_Registration broken("Varnolt.Test.Broken", []() -> std::shared_ptr<T_Dispatch> {
        throw std::logic_error("broken factory");
    });
    EXPECT_THROW(Try_Create_Ole_Object("Varnolt.Test.Broken", object, error), std::logic_error);

    // An unregistered server is gone again.
    Unregister_Automation_Server("Varnolt.Test.Refusing");
    EXPECT_FALSE(Try_Create_Ole_Object("Varnolt.Test.Refusing", object, error));
    EXPECT_EQ(error, "Invalid class string");
}

TEST(Automation, ErrorFamilyAndItsTexts)
{
    auto object = std::make_shared<test::Fake_Object>("doc", New_Log());
    object->Handlers["Export"] = [](const T_Args&, const T_Named_Args&) -> T_Variant {
        throw T_Server_Exception("Disk full while exporting", "Visio");
    };

    try {
        object->Call("ksCloseDocument");
        FAIL();
    } catch (const T_Automation_Error& error) {
        EXPECT_STREQ(error.what(), "Method 'ksCloseDocument' not supported by automation object");
    }
    try {
        object->Call("Export");
        FAIL();
    } catch (const T_Automation_Error& error) {
        EXPECT_STREQ(error.what(), "Disk full while exporting");
    }
    try {
        object->Call(191);
        FAIL();
    } catch (const T_Automation_Error& error) {
        EXPECT_STREQ(error.what(), "Member not found.");
    }
    // A refused interface query and a bad conversion are not of the family.
    EXPECT_THROW(
        try {
            object->Query_Interface({"{AF4E160D-5C89-4F21-B0F2-D53397BDAF78}"});
        } catch (const T_Automation_Error&){},
        T_Interface_Not_Supported);
    EXPECT_THROW(
        try { T_Variant::String("twelve").As_Int(); } catch (const T_Automation_Error&){},
        T_Variant_Type_Error);
}

TEST(Automation, VariantConversions)
{
    EXPECT_EQ(T_Variant::String("42").As_Int(), 42);
    EXPECT_EQ(T_Variant::Int16(-3).As_Int(), -3);
    EXPECT_EQ(T_Variant::Int16(-3).Kind(), T_Variant_Kind::Int16);
    EXPECT_EQ(T_Variant::Int32(5).As_String(), "5");
    EXPECT_THROW(T_Variant::String("4x").As_Int(), T_Variant_Type_Error);
    EXPECT_THROW(T_Variant().As_Dispatch(), T_Variant_Type_Error);

    // Wide strings carry every letter; 8-bit text is UTF-8 here.
    std::string text = "Чертёж 1 \xF0\x9F\x93\x90";
    T_Variant wide = T_Variant::Wide_From_Utf8(text);
    EXPECT_EQ(wide.Kind(), T_Variant_Kind::Wide_String);
    EXPECT_EQ(wide.As_Wide().size(), 11u); // the last letter takes two units
    EXPECT_EQ(wide.As_String(), text);
}

} // namespace
