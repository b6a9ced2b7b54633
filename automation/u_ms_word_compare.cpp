#include "automation/u_ms_word_compare.h"

#include "vocabulary/U_Msg.h"
#include "automation/office_not_found.h"
#include "automation/u_ms_ole_common.h"
#include "vocabulary/file_names.h"
#include "engine/u_temp_files.h"

#include "platform/os_platform.h"

#include <exception>

bool Open_Word_Doc(T_Dispatch& Word_App, const std::string& File_Name, T_Variant& Doc,
                   std::string& Error_Text, bool Visible)
{
    try {
        T_Variant documents = Word_App.Get("Documents");
        T_Variant doc = documents.As_Dispatch()->Call(
            "OpenNoRepairDialog",
            {T_Variant::String_Ref(std::make_shared<std::string>(File_Name)),
             T_Variant::Boolean(false)},
            {{"ReadOnly", T_Variant::Boolean(true)}, {"Visible", T_Variant::Boolean(Visible)}});
        // Without a document the comparison and the closing would fail later
        // with a less telling error; this is a failure to open the file.
        if (doc.Kind() != T_Variant_Kind::Dispatch) {
            Error_Text = "MS Word returned no document for " + File_Name;
            return false;
        }
        Doc = doc;
        return true;
    } catch (const T_Automation_Error& error) {
        Error_Text = error.what();
        return false;
    }
}

namespace {

// Word's application object; null when Word cannot be started.
std::shared_ptr<T_Dispatch> Start_Word()
{
    T_Variant app_object;
    std::string creation_error;
    if (!Try_Create_Ole_Object("Word.Application", app_object, creation_error) ||
        app_object.Kind() != T_Variant_Kind::Dispatch)
        return nullptr;
    return app_object.As_Dispatch();
}

} // namespace

unsigned char MS_Word_Compare(const std::string& Base_File, const std::string& Modified_File,
                              std::string& Error_Text)
{
    Error_Text.clear();
    if (!os::File_Exists(Base_File))
        return Word_No_Base_File;
    if (!os::File_Exists(Modified_File))
        return Word_No_Modified_File;

    const std::shared_ptr<T_Dispatch> app = Start_Word();
    if (!app)
        return Word_Not_Found;

    T_Variant base_doc;
    if (!Open_Word_Doc(*app, Base_File, base_doc, Error_Text)) {
        app->Call("Quit");
        return Word_Cant_Open_Base;
    }
    T_Variant modified_doc;
    if (!Open_Word_Doc(*app, Modified_File, modified_doc, Error_Text)) {
        base_doc.As_Dispatch()->Call("Close");
        app->Call("Quit");
        return Word_Cant_Open_Modified;
    }

    // Word becomes visible only now, so the user never sees a half-opened pair.
    app->Put("Visible", T_Variant::Boolean(true));
    try {
        app->Call("CompareDocuments", {base_doc, modified_doc});
        base_doc.As_Dispatch()->Call("Close");
        modified_doc.As_Dispatch()->Call("Close");
        app->Call("Activate");
        return Word_Compared;
    } catch (const T_Automation_Error& error) {
        Error_Text = error.what();
        app->Call("Quit");
        return Word_Compare_Failed;
    }
}

unsigned char MS_Word_Show(const std::string& File, std::string& Error_Text)
{
    Error_Text.clear();
    if (!os::File_Exists(File))
        return Word_No_Base_File;
    const std::shared_ptr<T_Dispatch> app = Start_Word();
    if (!app)
        return Word_Not_Found;
    T_Variant doc;
    if (!Open_Word_Doc(*app, File, doc, Error_Text, true)) {
        app->Call("Quit");
        return Word_Cant_Open_Base;
    }
    app->Put("Visible", T_Variant::Boolean(true));
    app->Call("Activate");
    return Word_Shown;
}

namespace {

// The one version of a document that exists, shown alone: from a read-only
// copy in the private folder, so that nothing the user does in Word can
// write over their file.
T_Work_Result Word_Show_Alone(const std::string& file)
{
    std::string copy = file;
    Copy_Base_To_Temp(copy, File_Name_Part(file));
    if (copy == file)
        return T_Work_Result::Failure(Get_Msg(cap_Cant_Open_File) + "\r\n" + file +
                                      "\r\nIt could not be copied into the temporary folder.");
    std::string error;
    switch (MS_Word_Show(copy, error)) {
    case Word_Shown:
        return T_Work_Result::Made({});
    case Word_No_Base_File:
        return T_Work_Result::Failure(Get_Msg(cap_File_Not_Found) + "\r\n" + file);
    case Word_Not_Found:
        return T_Work_Result::Failure(
            Get_Msg(Office_Not_Found_Message("Word.Application", cap_MSWord_Not_Found)));
    default:
        // Messages name the user's file, not the private copy.
        for (std::size_t at = error.find(copy); at != std::string::npos;
             at = error.find(copy, at + file.size()))
            error.replace(at, copy.size(), file);
        return T_Work_Result::Failure(Get_Msg(cap_Cant_Open_File) + "\r\n" + error);
    }
}

} // namespace

T_Work_Result Word_Diff(const std::string& base_file, const std::string& modified_file)
{
    if (os::Is_Null_Device(base_file) != os::Is_Null_Device(modified_file))
        return Word_Show_Alone(os::Is_Null_Device(base_file) ? modified_file : base_file);

    // Word compares a read-only copy of the base file in the temporary
    // folder, named like the modified file; the given path when no copy
    // could be made.
    std::string base = base_file;
    Copy_Base_To_Temp(base, File_Name_Part(modified_file));

    // Word failing where the program has no result code for it (making
    // itself visible, or closing and quitting after a failed open) leaves
    // here as an exception, which the application reports.
    std::string error;
    switch (MS_Word_Compare(base, modified_file, error)) {
    case Word_No_Base_File:
        return T_Work_Result::Failure("Left " + base + " file not found");
    case Word_No_Modified_File:
        return T_Work_Result::Failure("Right " + modified_file + " file not found");
    case Word_Cant_Open_Base:
    case Word_Cant_Open_Modified:
        return T_Work_Result::Failure(Get_Msg(cap_Cant_Open_File) + "\r\n" + error);
    case Word_Not_Found:
        return T_Work_Result::Failure(
            Get_Msg(Office_Not_Found_Message("Word.Application", cap_MSWord_Not_Found)));
    case Word_Compare_Failed:
        return T_Work_Result::Failure("MS Word can't compare file!\r\n" + error);
    default:
        return T_Work_Result::Made({});
    }
}
