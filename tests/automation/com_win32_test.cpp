// The COM backend against automation servers that the system itself
// provides, and against a class that is not registered.
#include "automation/u_ms_ole_common.h"
#include "automation/win32/u_ole_com.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

class Com : public ::testing::Test {
protected:
    // Every automation call runs in the thread's single-threaded apartment.
    T_Automation_Apartment apartment;

    std::shared_ptr<T_Dispatch> Create(const std::string& prog_id)
    {
        T_Variant object;
        std::string error;
        if (!Try_Create_Ole_Object(prog_id, object, error))
            return nullptr;
        return object.As_Dispatch();
    }
};

} // namespace

TEST_F(Com, CallsByNameWithValueAndReferenceArgumentsAndReadsProperties)
{
    auto files = Create("Scripting.FileSystemObject");
    if (!files)
        GTEST_SKIP() << "this system has no Scripting.FileSystemObject";
    EXPECT_NE(Com_Interface(files), nullptr);
    EXPECT_EQ(files->Call("BuildPath", {T_Variant::String("C:\\plans"), T_Variant::Wide(u"a.cdw")})
                  .As_String(),
              "C:\\plans\\a.cdw");

    test::Scratch_Dir dir;
    test::Write_File(dir / "here.txt", "x");
    auto name = std::make_shared<std::string>(dir / "here.txt");
    EXPECT_TRUE(files->Call("FileExists", {T_Variant::String_Ref(name)}).As_Bool());
    EXPECT_EQ(*name, dir / "here.txt");
    EXPECT_FALSE(files->Call("FileExists", {T_Variant::String(dir / "gone.txt")}).As_Bool());

    // A property that is an object, and a property of that object.
    auto drives = files->Get("Drives").As_Dispatch();
    EXPECT_GE(drives->Get("Count").As_Int(), 1);
}

TEST_F(Com, PropertyPutAndNamedArguments)
{
    auto shell = Create("WScript.Shell");
    if (!shell)
        GTEST_SKIP() << "this system has no WScript.Shell";
    test::Scratch_Dir dir;
    std::string before = shell->Get("CurrentDirectory").As_String();
    shell->Put("CurrentDirectory", T_Variant::String(dir.Str()));
    EXPECT_EQ(shell->Get("CurrentDirectory").As_String(), dir.Str());
    shell->Put("CurrentDirectory", T_Variant::String(before));

    test::Set_Env("VARNOLT_COM_TEST", "from the environment");
    EXPECT_EQ(shell->Call("ExpandEnvironmentStrings", {T_Variant::String("%VARNOLT_COM_TEST%!")})
                  .As_String(),
              "from the environment!");

    auto files = Create("Scripting.FileSystemObject");
    ASSERT_TRUE(files);
    // "Overwrite" by name, after the positional file name.
    auto stream = files
                      ->Call("CreateTextFile", {T_Variant::String(dir / "named.txt")},
                             {{"Overwrite", T_Variant::Boolean(true)}})
                      .As_Dispatch();
    stream->Call("Write", {T_Variant::String("named")});
    stream->Call("Close");
    EXPECT_EQ(test::Read_File(dir / "named.txt"), "named");
}

TEST_F(Com, UnknownMembersAndServerErrorsAreTheAutomationFamily)
{
    auto files = Create("Scripting.FileSystemObject");
    if (!files)
        GTEST_SKIP() << "this system has no Scripting.FileSystemObject";
    try {
        files->Call("NoSuchMember");
        ADD_FAILURE() << "an unknown member was called";
    } catch (const T_Unknown_Member_Error& error) {
        EXPECT_STREQ(error.what(), "Method 'NoSuchMember' not supported by automation object");
    }
    // A call the server refuses (no such file): some automation error.
    test::Scratch_Dir dir;
    EXPECT_THROW(files->Call("GetFile", {T_Variant::String(dir / "gone.txt")}), T_Automation_Error);
    // A refused interface is not in that family.
    EXPECT_THROW(files->Query_Interface(T_Guid{"{AF4E160D-5C89-4F21-B0F2-D53397BDAF78}"}),
                 T_Interface_Not_Supported);
    EXPECT_NE(files->Query_Interface(T_Guid{"{00020400-0000-0000-C000-000000000046}"}), nullptr);
}

TEST_F(Com, ShellApplicationIsCreatedAndAnsweredByName)
{
    auto shell = Create("Shell.Application");
    if (!shell)
        GTEST_SKIP() << "this system has no Shell.Application";
    test::Scratch_Dir dir;
    T_Variant folder = shell->Call("NameSpace", {T_Variant::String(dir.Str())});
    ASSERT_FALSE(folder.Is_Empty());
    EXPECT_FALSE(folder.As_Dispatch()->Get("Title").As_String().empty());
}

TEST_F(Com, AClassThatIsNotRegisteredFailsAsAResult)
{
    T_Variant object;
    std::string error;
    EXPECT_FALSE(Try_Create_Ole_Object("Word.Application", object, error));
    EXPECT_TRUE(object.Is_Empty());
    EXPECT_FALSE(error.empty());
    try {
        Create_Automation_Object("Word.Application");
        ADD_FAILURE() << "Word.Application was created";
    } catch (const T_Call_Failed_Error& failure) {
        // Unknown ProgID, or known without a server: the system's status.
        EXPECT_TRUE(failure.Status == ole_status::Invalid_Class_String ||
                    failure.Status == ole_status::Class_Not_Registered)
            << std::hex << failure.Status;
        EXPECT_EQ(failure.what(), Status_Message(failure.Status));
    }
    // Where the system words the status, that is the text.
    wchar_t text[256];
    if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(ole_status::Invalid_Class_String), 0, text, 256, nullptr))
        EXPECT_NE(Status_Message(ole_status::Invalid_Class_String), Standard_Status_Text(0x1234));
    else
        EXPECT_EQ(Status_Message(ole_status::Invalid_Class_String), "Invalid class string");
}
