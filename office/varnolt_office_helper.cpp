// The office helper: a child process of the program that starts its own
// office, connects to it over UNO and answers the requests of
// office_protocol.h on its standard input and output. Keeping the office
// library and the office itself out of the program means that an office that
// crashes or hangs costs one request, never the viewer.
//
//   varnolt_office_helper [--visible] <private folder> [<soffice>]
//
// The office gets a fresh user profile of its own in the private folder
// (never the user's, which may be open) with settings that keep it from
// reading anything but the documents it is given, and is terminated, then
// killed, when the helper quits or its input ends; the profile and the
// office's pipe sockets are removed then, also after an office that was
// killed. It runs headless for drawings; with
// --visible (document comparison) it has windows, and once it shows a
// comparison (or a document alone) it is the user's: QUIT then leaves it
// running.
#include "office/dxf_layout.h"
#include "office/office_leftovers.h"
#include "office/office_location.h"
#include "office/document_parts.h"
#include "office/office_protocol.h"
#include "office/part_marks.h"
#include "office/office_settings.h"
#include "office/refusing_interaction.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/XRedlinesSupplier.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/ref.hxx>
#include <rtl/ustring.hxx>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace com::sun::star;
using com::sun::star::uno::Reference;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;
using rtl::OUString;
using rtl::OUStringToOString;

namespace {

namespace fs = std::filesystem;

// How long the office may take to start and accept connections, and to end
// after it was told to terminate.
constexpr auto Start_Timeout = std::chrono::seconds(90);
constexpr auto Quit_Timeout = std::chrono::seconds(8);

// The protocol's output: standard output as it was at start. Standard output
// itself is pointed at standard error, so that nothing the office libraries
// print can break a protocol line.
FILE* protocol_out = nullptr;

void Send(const std::vector<std::string>& fields)
{
    std::string line = office_protocol::Join(fields) + "\n";
    std::fwrite(line.data(), 1, line.size(), protocol_out);
    std::fflush(protocol_out);
}

OUString U(const std::string& utf8)
{
    return OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string S(const OUString& text)
{
    return OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

beans::PropertyValue Prop(const char* name, const uno::Any& value)
{
    beans::PropertyValue property;
    property.Name = OUString::createFromAscii(name);
    property.Value = value;
    return property;
}

uno::Sequence<beans::PropertyValue> Props(const std::vector<beans::PropertyValue>& list)
{
    return uno::Sequence<beans::PropertyValue>(list.data(), static_cast<sal_Int32>(list.size()));
}

// A failed request: its text goes back as ERR.
struct Request_Error {
    std::string Text;
};

// The office process, started in a process group of its own: the start
// script runs the office binary as a further child, and the whole group is
// what has to end.
class Office_Process {
public:
    // `own_session`: the office outlives the helper and the program (a
    // comparison window the user keeps), so it leaves their session too.
    bool Start(const std::string& soffice, const std::vector<std::string>& arguments,
               bool own_session, std::string& error)
    {
        std::vector<std::string> all{soffice};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setpgroup(&attributes, 0);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(
            &attributes,
            static_cast<short>((own_session ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP) |
                               POSIX_SPAWN_SETSIGDEF));
        int status =
            posix_spawn(&pid, soffice.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (status != 0) {
            pid = -1;
            error = "Cannot start " + soffice + ": " + std::strerror(status);
            return false;
        }
        return true;
    }

    pid_t Group() const { return pid; }

    // How the start process ended, for messages.
    std::string Exit_Text() const
    {
        if (!reaped)
            return "still running";
        if (WIFEXITED(exit_status))
            return "exit code " + std::to_string(WEXITSTATUS(exit_status));
        if (WIFSIGNALED(exit_status))
            return "signal " + std::to_string(WTERMSIG(exit_status));
        return "ended";
    }

    // Lets the office go on by itself: it is no longer ended with the helper.
    void Release()
    {
        if (!reaped)
            waitpid(pid, nullptr, WNOHANG);
        pid = -1;
    }

    // True while the start process has not ended. Once it has, the office
    // binary it ran may still be alive in the group; Alive asks the group.
    bool Alive()
    {
        if (pid <= 0)
            return false;
        if (!reaped && waitpid(pid, &exit_status, WNOHANG) == pid)
            reaped = true;
        return kill(-pid, 0) == 0;
    }

    // Waits up to `timeout` for the whole group to end, then kills it.
    void End(std::chrono::milliseconds timeout)
    {
        if (pid <= 0)
            return;
        auto until = std::chrono::steady_clock::now() + timeout;
        while (Alive() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (Alive())
            kill(-pid, SIGKILL);
        if (!reaped)
            waitpid(pid, nullptr, 0);
        reaped = true;
        pid = -1;
    }

private:
    pid_t pid = -1;
    bool reaped = false;
    int exit_status = 0;
};

// A new profile folder in the private folder, for this helper's office
// only: the settings it starts with are the helper's, and nothing of an
// earlier run (or of another helper's office) is shared.
std::string Make_Profile(const std::string& folder, std::string& error)
{
    std::string profile = folder + "/office_profile_XXXXXX";
    if (!mkdtemp(profile.data()) || !office_settings::Write(profile)) {
        error = "No office profile can be made in " + folder;
        return {};
    }
    return profile;
}

// The prefix of the helper's connection pipes, and the socket a pipe of
// that name becomes.
constexpr const char* Pipe_Prefix = "varnolt_office_";
std::string Pipe_Socket(const std::string& pipe_name)
{
    return "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipe_name;
}

// An open document, and for a DXF drawing what its common scale needs: the
// extents its header declares and its shapes as the office placed them.
struct Open_Document {
    Reference<lang::XComponent> Component;
    std::string File; // a document for comparison: its file
    std::string Name; // the file as the program named it, for messages
    bool Has_Extents = false;
    dxf_layout::Extents Extents;
    std::vector<dxf_layout::Rect> Imported; // shapes of the page, as imported
    dxf_layout::Rect Imported_Box;          // their bounding box
    bool Laid_Out = false;
    dxf_layout::Extents Laid_Out_For; // the union it was last placed in
};

// The header of a DXF file (it comes first; a few megabytes are plenty).
bool Read_Dxf_Extents(const std::string& file, dxf_layout::Extents& extents)
{
    std::ifstream in(file, std::ios::binary);
    std::string text(4 << 20, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return dxf_layout::Read_Extents(text, extents);
}

dxf_layout::Rect Shape_Rect(const Reference<drawing::XShape>& shape)
{
    awt::Point at = shape->getPosition();
    awt::Size size = shape->getSize();
    return {at.X, at.Y, size.Width, size.Height};
}

class Helper {
public:
    ~Helper() { Quit(); }

    bool Start(const std::string& private_folder, const std::string& soffice_given, bool visible,
               std::string& error)
    {
        with_windows = visible;
        std::error_code ec;
        std::string folder = fs::absolute(private_folder, ec).string();
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (folder.empty() || !fs::is_directory(folder, ec)) {
            error = "The private folder " + private_folder + " does not exist";
            return false;
        }
        // Pipe sockets of helpers that were killed before they could
        // remove them.
        office_leftovers::Remove_Stale(office_leftovers::Earlier_Pipe_Sockets(Pipe_Prefix));
        profile = Make_Profile(folder, error);
        if (profile.empty())
            return false;
        std::string soffice =
            soffice_given.empty() ? office_location::Find_Soffice() : soffice_given;
        std::string real = fs::canonical(soffice, ec).string();
        if (real.empty()) {
            error = "LibreOffice (soffice) is not installed";
            return false;
        }
        // The UNO runtime of this process comes from the office's own
        // program folder, the one the office runs from.
        std::string program_folder = fs::path(real).parent_path().string();
        setenv("URE_BOOTSTRAP",
               ("vnd.sun.star.pathname:" + program_folder + "/fundamentalrc").c_str(), 1);

        // A fresh office now and then aborts while it starts (seen on a
        // machine where it had never run, with another office starting at
        // the same moment); a start that ends that way is tried again.
        for (int attempt = 1;; ++attempt) {
            T_Launch launch = Launch_Office(soffice, visible, error);
            if (launch == T_Launch::Connected)
                return true;
            if (launch == T_Launch::Failed || attempt == Start_Attempts)
                return false;
        }
    }

private:
    enum class T_Launch { Connected, Ended, Failed };
    static constexpr int Start_Attempts = 3;

    // Starts the office on the claimed profile and connects to it.
    T_Launch Launch_Office(const std::string& soffice, bool visible, std::string& error)
    {
        std::string pipe_name =
            Pipe_Prefix + std::to_string(getpid()) + "_" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
        std::vector<std::string> arguments{"--norestore",
                                           "--nologo",
                                           "--nodefault",
                                           "--nolockcheck",
                                           "--accept=pipe,name=" + pipe_name + ";urp;",
                                           "-env:UserInstallation=" +
                                               office_protocol::File_Url(profile)};
        if (!visible)
            arguments.insert(arguments.begin(), {"--headless", "--invisible"});
        office_sockets.insert(Pipe_Socket(pipe_name));
        if (!office.Start(soffice, arguments, visible, error))
            return T_Launch::Failed;

        try {
            Reference<uno::XComponentContext> local =
                cppu::defaultBootstrap_InitialComponentContext();
            Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(local);
            OUString url = U("uno:pipe,name=" + pipe_name + ";urp;StarOffice.ComponentContext");
            auto until = std::chrono::steady_clock::now() + Start_Timeout;
            while (!context.is()) {
                try {
                    context.set(resolver->resolve(url), UNO_QUERY_THROW);
                } catch (const connection::NoConnectException&) {
                    if (!office.Alive()) {
                        error = "LibreOffice ended while starting (" + office.Exit_Text() + ")";
                        office.End(std::chrono::milliseconds(0));
                        return T_Launch::Ended;
                    }
                    if (std::chrono::steady_clock::now() > until) {
                        error = "LibreOffice did not start in time";
                        office.End(std::chrono::milliseconds(0));
                        return T_Launch::Failed;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            }
            desktop = frame::Desktop::create(context);
            for (const std::string& socket : office_leftovers::Pipe_Sockets_Of(office.Group()))
                office_sockets.insert(socket);
        } catch (const uno::Exception& failure) {
            std::cerr << "varnolt_office_helper: " << S(failure.Message) << std::endl;
            error = "Cannot connect to LibreOffice";
            office.End(std::chrono::milliseconds(0));
            return T_Launch::Failed;
        }
        return T_Launch::Connected;
    }

public:
    pid_t Office_Group() const { return office.Group(); }

    // Answers one request; false once the helper is to end.
    bool Serve(const std::vector<std::string>& request)
    {
        const std::string& command = request[0];
        try {
            if (command == "QUIT") {
                bool leave = comparison.is();
                Quit();
                Send(leave ? std::vector<std::string>{"OK", "LEFT"}
                           : std::vector<std::string>{"OK"});
                return false;
            }
            if (command == "OPEN" && request.size() == 2)
                Send({"OK", std::to_string(Open(request[1]))});
            else if (command == "OPENTEXT" && request.size() == 2)
                Send({"OK", std::to_string(Open_Text(request[1]))});
            else if (command == "SHOWTEXT" && request.size() == 2)
                Send(Show_Text(request[1]));
            else if (command == "COMPARE" && request.size() == 3)
                Compare(request[1], request[2]);
            else if (command == "TEXTCHANGES" && request.size() == 3)
                Send(Text_Changes(request[1], request[2]));
            else if (command == "ACTIVATE" && request.size() == 1)
                Activate();
            else if (command == "COUNT" && request.size() == 2)
                Send({"OK", std::to_string(Pages(Doc(request[1]))->getCount())});
            else if (command == "NAME" && request.size() == 3)
                Send({"OK",
                      S(Reference<container::XNamed>(Page(request[1], request[2]), UNO_QUERY_THROW)
                            ->getName())});
            else if (command == "SHAPES" && request.size() == 3)
                Send({"OK", std::to_string(Reference<drawing::XShapes>(Page(request[1], request[2]),
                                                                       UNO_QUERY_THROW)
                                               ->getCount())});
            else if (command == "EXPORT" && request.size() == 4) {
                if (Record(request[1]).Has_Extents)
                    Lay_Out_Dxf(Record(request[1]));
                Send(Export(Page(request[1], request[2]), request[3]));
            } else if (command == "EXPORTPDF" && request.size() == 3) {
                if (Record(request[1]).Has_Extents)
                    Lay_Out_Dxf(Record(request[1]));
                Send(Export_Pdf(Record(request[1]), request[2]));
            } else if (command == "CLOSE" && request.size() == 2)
                Close(request[1]);
            else
                throw Request_Error{"Unknown request " + command};
        } catch (const Request_Error& error) {
            Send({"ERR", error.Text});
        } catch (const lang::DisposedException& error) {
            Send({"ERR", Failure_Text(request, S(error.Message), true)});
        } catch (const uno::Exception& error) {
            Send({"ERR", Failure_Text(request, S(error.Message), false)});
        }
        return true;
    }

    // Ends the office if it is still running, then removes its profile and
    // its pipe sockets; an office left to the user keeps both.
    void Quit()
    {
        if (office.Group() > 0)
            End_Office();
        if (left_to_user)
            return;
        office_leftovers::Remove_Stale(
            std::vector<std::string>(office_sockets.begin(), office_sockets.end()));
        office_sockets.clear();
        if (!profile.empty()) {
            std::error_code ec;
            fs::remove_all(profile, ec);
            profile.clear();
        }
    }

private:
    // A failure inside the office, in words for the user: what was being
    // done, on which file, and whether the office itself went away.
    // The office's own text is for developers: it goes to standard error.
    std::string Failure_Text(const std::vector<std::string>& request, const std::string& detail,
                             bool disposed)
    {
        std::cerr << "varnolt_office_helper: " << request[0] << ": " << detail << std::endl;
        std::string subject;
        const std::string& command = request[0];
        if ((command == "OPEN" || command == "OPENTEXT" || command == "SHOWTEXT" ||
             command == "TEXTCHANGES") &&
            request.size() > 1)
            subject = request.size() > 2 ? request[1] + " and " + request[2] : request[1];
        else if (request.size() > 1 && docs.count(std::atoi(request[1].c_str())))
            subject = docs[std::atoi(request[1].c_str())].Name;
        std::string on = subject.empty() ? "" : " on " + subject;
        if (disposed || !office.Alive())
            return "LibreOffice stopped while working" + on;
        return "LibreOffice failed while working" + on;
    }

public:
private:
    // Terminates the office (closing its documents unsaved) and kills what
    // is left of it after a short wait.
    void End_Office()
    {
        // A document shown to the user stays open with its window.
        const Reference<lang::XComponent> shown(comparison, UNO_QUERY);
        for (auto& [id, doc] : docs)
            if (!shown.is() || doc.Component != shown)
                Close_Component(doc.Component);
        docs.clear();
        if (comparison.is()) {
            // The comparison's window is the user's now: the office stays.
            comparison.clear();
            desktop.clear();
            context.clear();
            office.Release();
            left_to_user = true;
            return;
        }
        try {
            if (desktop.is())
                desktop->terminate();
        } catch (const uno::Exception&) {
            // The bridge drops as the office goes away.
        }
        desktop.clear();
        context.clear();
        office.End(Quit_Timeout);
    }

private:
    // What every load is given: no macros, links left as they are, no
    // repair, and every question refused by the helper's own handler, so
    // that no dialog ever waits for a user. `hidden`: without a window.
    std::vector<beans::PropertyValue> Load_Properties(bool hidden)
    {
        return {
            Prop("Hidden", uno::Any(hidden)),
            Prop("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
            Prop("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
            Prop("RepairPackage", uno::Any(false)),
            Prop("Silent", uno::Any(true)),
            Prop("InteractionHandler",
                 uno::Any(Reference<task::XInteractionHandler>(interaction.get()))),
        };
    }

    // Loads `url` into a new frame; a document the office refuses becomes
    // the helper's error, in words for the user.
    Reference<lang::XComponent> Load_Url(const std::string& url, const std::string& file,
                                         const std::vector<beans::PropertyValue>& properties)
    {
        interaction->Take_Reason(); // forget a question of an earlier load
        Reference<lang::XComponent> doc;
        try {
            doc = desktop->loadComponentFromURL(U(url), "_blank", 0, Props(properties));
        } catch (const uno::RuntimeException&) {
            throw; // the office itself failed
        } catch (const uno::Exception& failure) {
            std::cerr << "varnolt_office_helper: " << file << ": " << S(failure.Message)
                      << std::endl;
        }
        std::string reason = interaction->Take_Reason();
        if (!doc.is()) {
            throw Request_Error{
                "LibreOffice cannot open " + file + ": " +
                (reason.empty() ? "it may be damaged, or of a kind it does not read" : reason)};
        }
        return doc;
    }

    // Loads a file hidden and read-only, with the given import filter (""
    // lets the office find it).
    Reference<lang::XComponent> Load(const std::string& absolute, const std::string& file,
                                     const std::string& filter)
    {
        std::vector<beans::PropertyValue> properties = Load_Properties(true);
        properties.push_back(Prop("ReadOnly", uno::Any(true)));
        if (!filter.empty())
            properties.push_back(Prop("FilterName", uno::Any(U(filter))));
        return Load_Url(office_protocol::File_Url(absolute), file, properties);
    }

    int Open(const std::string& file)
    {
        std::error_code ec;
        std::string absolute = fs::absolute(file, ec).string();
        std::string filter = office_protocol::Drawing_Filter(absolute);
        if (filter.empty()) {
            std::string lower = absolute;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dwg") == 0)
                throw Request_Error{"LibreOffice cannot read DWG drawings: " + file +
                                    " needs MS Visio, or a conversion to DXF"};
            throw Request_Error{"Not a drawing that LibreOffice opens: " + file};
        }
        if (!fs::is_regular_file(absolute, ec))
            throw Request_Error{"No such file: " + file};
        Reference<lang::XComponent> doc = Load(absolute, file, filter);
        Reference<drawing::XDrawPagesSupplier> pages(doc, UNO_QUERY);
        if (!pages.is() || pages->getDrawPages()->getCount() < 1) {
            Close_Component(doc);
            throw Request_Error{"LibreOffice cannot open " + file + " as a drawing"};
        }
        Open_Document record;
        record.Component = doc;
        record.Name = file;
        if (filter == "DXF - AutoCAD Interchange" && Read_Dxf_Extents(absolute, record.Extents))
            Record_Dxf_Shapes(record);
        docs[++last_doc] = record;
        return last_doc;
    }

    // Opens a document for comparison: hidden and read-only like a drawing,
    // the format found by the office, refused when it is no text document
    // or was only readable as plain text (an empty, random or foreign file).
    int Open_Text(const std::string& file)
    {
        std::string absolute = Text_File(file);
        Reference<lang::XComponent> doc = Load(absolute, file, "");
        Keep_Only_Text_Document(doc, file);
        Open_Document record;
        record.Component = doc;
        record.File = absolute;
        record.Name = file;
        docs[++last_doc] = record;
        return last_doc;
    }

    // The absolute name of a file to open as a document; refused when it
    // is no regular file, or empty (the office makes a new blank document
    // of an empty file).
    static std::string Text_File(const std::string& file)
    {
        std::error_code ec;
        std::string absolute = fs::absolute(file, ec).string();
        if (!fs::is_regular_file(absolute, ec))
            throw Request_Error{"No such file: " + file};
        if (fs::file_size(absolute, ec) == 0)
            throw Request_Error{"LibreOffice cannot open " + file + ": the file is empty"};
        return absolute;
    }

    // Closes and refuses a loaded document that is no text document or was
    // only readable as plain text (an empty, random or foreign file).
    static void Keep_Only_Text_Document(const Reference<lang::XComponent>& doc,
                                        const std::string& file)
    {
        Reference<lang::XServiceInfo> info(doc, UNO_QUERY);
        Reference<frame::XModel> model(doc, UNO_QUERY);
        std::string filter;
        if (model.is())
            for (const beans::PropertyValue& arg : model->getArgs())
                if (arg.Name == "FilterName") {
                    OUString name;
                    arg.Value >>= name;
                    filter = S(name);
                }
        if (!info.is() || !info->supportsService("com.sun.star.text.TextDocument") ||
            filter.empty() || filter.rfind("Text", 0) == 0) {
            Close_Component(doc);
            throw Request_Error{"LibreOffice cannot open " + file + " as a document"};
        }
    }

    // A document whose other version does not exist, in a window of its
    // own as the user will read it: read-only, so that it says it cannot be
    // edited (the program hands over a private copy, so the user's file is
    // never locked or saved over). An untitled document (AsTemplate) would
    // come out editable whatever the load asks for. The window is the
    // user's, like a comparison's. Answers the document and the window's
    // title.
    std::vector<std::string> Show_Text(const std::string& file)
    {
        if (!with_windows)
            throw Request_Error{"Documents are shown in a visible office only"};
        std::string absolute = Text_File(file);
        std::vector<beans::PropertyValue> properties = Load_Properties(false);
        properties.push_back(Prop("ReadOnly", uno::Any(true)));
        Reference<lang::XComponent> doc =
            Load_Url(office_protocol::File_Url(absolute), file, properties);
        Keep_Only_Text_Document(doc, file);
        Reference<frame::XModel> model(doc, UNO_QUERY);
        Reference<frame::XStorable> storable(doc, UNO_QUERY);
        // Only a document the office holds read-only is left to the user.
        if (!model.is() || !storable.is() || !storable->isReadonly()) {
            Close_Component(doc);
            throw Request_Error{"LibreOffice did not open " + file + " read-only"};
        }
        Reference<frame::XTitle> title(model->getCurrentController()->getFrame(), UNO_QUERY);
        comparison = model;
        Open_Document record;
        record.Component = doc;
        record.Name = file;
        docs[++last_doc] = record;
        return {"OK", std::to_string(last_doc), title.is() ? S(title->getTitle()) : ""};
    }

    // LibreOffice Writer's comparison in a window of its own, as the user
    // will see it: an untitled copy of the modified document (the user's
    // files are never written or locked, and closing asks whether to save)
    // with the changes from the base document marked.
    void Compare(const std::string& base_id, const std::string& modified_id)
    {
        if (!with_windows)
            throw Request_Error{"Documents are compared in a visible office only"};
        std::string base = Record(base_id).File;
        std::string modified = Record(modified_id).File;
        if (base.empty() || modified.empty())
            throw Request_Error{"Only documents compare"};
        std::vector<beans::PropertyValue> properties = Load_Properties(false);
        properties.push_back(Prop("AsTemplate", uno::Any(true)));
        Reference<lang::XComponent> copy =
            Load_Url(office_protocol::File_Url(modified), Record(modified_id).Name, properties);
        Reference<frame::XModel> model(copy, UNO_QUERY);
        if (!model.is()) {
            Close_Component(copy);
            throw Request_Error{"LibreOffice cannot open " + modified};
        }
        Reference<frame::XDispatchProvider> frame(model->getCurrentController()->getFrame(),
                                                  UNO_QUERY_THROW);
        Reference<frame::XDispatchHelper> dispatcher = frame::DispatchHelper::create(context);
        dispatcher->executeDispatch(
            frame, ".uno:CompareDocuments", "", 0,
            Props({Prop("URL", uno::Any(U(office_protocol::File_Url(base)))),
                   Prop("NoAcceptDialog", uno::Any(true))}));
        // Headers, footers, notes, text boxes and comments, which the
        // comparison does not look at.
        const std::vector<std::string> places = Mark_Part_Changes(
            model, Document_Parts(Record(base_id).Component), Document_Parts(copy));
        comparison = model;
        // The number of changes marked, for the caller's information.
        long changes = 0;
        Reference<document::XRedlinesSupplier> redlines(model, UNO_QUERY);
        if (redlines.is()) {
            Reference<container::XEnumeration> each = redlines->getRedlines()->createEnumeration();
            for (; each->hasMoreElements(); ++changes)
                each->nextElement();
        }
        std::vector<std::string> answer{"OK", std::to_string(changes)};
        answer.insert(answer.end(), places.begin(), places.end());
        Send(answer);
    }

    // Writer's document comparison without a window: a hidden, untitled
    // copy of the revised document gets the changes from the base marked,
    // which are counted by kind and then thrown away with the copy. Both
    // files are first opened as documents, so that a damaged or foreign
    // file is refused with a reason instead of compared as plain text.
    std::vector<std::string> Text_Changes(const std::string& base, const std::string& revised)
    {
        if (with_windows)
            throw Request_Error{"Documents are counted in a headless office only"};
        std::string base_file = Text_File(base);
        std::string revised_file = Text_File(revised);
        Reference<lang::XComponent> check = Load(base_file, base, "");
        Keep_Only_Text_Document(check, base);
        const std::vector<T_Part_Text> base_parts = Part_Texts(Document_Parts(check));
        Close_Component(check);
        std::vector<beans::PropertyValue> properties = Load_Properties(true);
        properties.push_back(Prop("AsTemplate", uno::Any(true)));
        Reference<lang::XComponent> copy =
            Load_Url(office_protocol::File_Url(revised_file), revised, properties);
        struct Closing {
            Reference<lang::XComponent> Doc;
            ~Closing() { Close_Component(Doc); }
        } closing{copy};
        Keep_Only_Text_Document(copy, revised);
        const std::vector<T_Document_Part> revised_parts = Document_Parts(copy);
        Reference<frame::XModel> model(copy, UNO_QUERY_THROW);
        Reference<frame::XDispatchProvider> frame(model->getCurrentController()->getFrame(),
                                                  UNO_QUERY_THROW);
        frame::DispatchHelper::create(context)->executeDispatch(
            frame, ".uno:CompareDocuments", "", 0,
            Props({Prop("URL", uno::Any(U(office_protocol::File_Url(base_file)))),
                   Prop("NoAcceptDialog", uno::Any(true))}));
        long insertions = 0, deletions = 0, formats = 0;
        std::vector<std::string> listed;
        const auto list = [&](const std::string& Kind, const std::string& Place,
                              const std::string& Text) {
            if (listed.size() < 3 * office_protocol::Max_Listed_Changes)
                listed.insert(listed.end(), {Kind, Place, Text});
        };
        // Headers, footers, notes, text boxes and comments, which the
        // comparison does not look at, each named by its place; listed
        // first, as few and easily missed.
        for (const T_Part_Change& change : Part_Changes(base_parts, Part_Texts(revised_parts))) {
            const T_Part_Text& part =
                change.Inserted ? revised_parts[change.Part] : base_parts[change.Part];
            (change.Inserted ? insertions : deletions)++;
            list(change.Inserted ? "insertion" : "deletion", part.Place, First_Line(U(part.Text)));
        }
        Reference<document::XRedlinesSupplier> redlines(model, UNO_QUERY_THROW);
        Reference<container::XEnumeration> each = redlines->getRedlines()->createEnumeration();
        while (each->hasMoreElements()) {
            Reference<beans::XPropertySet> redline(each->nextElement(), UNO_QUERY);
            if (!redline.is())
                continue;
            OUString type;
            redline->getPropertyValue("RedlineType") >>= type;
            std::string kind = office_protocol::Change_Kind_Word(S(type));
            (kind == "insertion" ? insertions : kind == "deletion" ? deletions : formats)++;
            list(kind, Place_Of(redline, copy, revised_parts), Redline_Text(redline));
        }
        std::vector<std::string> answer{"OK", std::to_string(insertions), std::to_string(deletions),
                                        std::to_string(formats)};
        answer.insert(answer.end(), listed.begin(), listed.end());
        return answer;
    }

    // The first line of a text, at most 100 characters.
    static std::string First_Line(const OUString& text)
    {
        sal_Int32 line = 0;
        while (line < text.getLength() && text[line] != '\n' && text[line] != '\r' &&
               text[line] != 0x2029 && text[line] != 0x2028)
            ++line;
        bool cut = line > 100;
        return S(text.copy(0, cut ? 100 : line)) + (cut ? "..." : "");
    }

    // The first line of the text a change spans (see First_Line); "" where
    // the office gives no text range for it (a table's change).
    static std::string Redline_Text(const Reference<beans::XPropertySet>& redline)
    {
        try {
            Reference<text::XTextRange> start(redline->getPropertyValue("RedlineStart"), UNO_QUERY);
            Reference<text::XTextRange> end(redline->getPropertyValue("RedlineEnd"), UNO_QUERY);
            if (!start.is() || !end.is())
                return {};
            Reference<text::XTextCursor> cursor = start->getText()->createTextCursorByRange(start);
            cursor->gotoRange(end, true);
            return First_Line(cursor->getString().trim());
        } catch (const uno::Exception&) {
            return {};
        }
    }

    // Brings the comparison's window to the front.
    void Activate()
    {
        if (!comparison.is())
            throw Request_Error{"No comparison is shown"};
        Reference<frame::XFrame> frame = comparison->getCurrentController()->getFrame();
        Reference<awt::XTopWindow> top(frame->getContainerWindow(), UNO_QUERY);
        if (top.is())
            top->toFront();
        frame->getContainerWindow()->setFocus();
        Send({"OK"});
    }

    // Keeps where the office put the drawing, so that every later layout
    // starts from the import and not from an earlier layout.
    static void Record_Dxf_Shapes(Open_Document& record)
    {
        Reference<drawing::XDrawPage> page(Pages(record.Component)->getByIndex(0), UNO_QUERY_THROW);
        long long left = 0, top = 0, right = 0, bottom = 0;
        for (sal_Int32 i = 0; i < page->getCount(); ++i) {
            Reference<drawing::XShape> shape(page->getByIndex(i), UNO_QUERY_THROW);
            dxf_layout::Rect rect = Shape_Rect(shape);
            if (i == 0 || rect.X < left)
                left = rect.X;
            if (i == 0 || rect.Y < top)
                top = rect.Y;
            if (i == 0 || rect.X + rect.Width > right)
                right = rect.X + rect.Width;
            if (i == 0 || rect.Y + rect.Height > bottom)
                bottom = rect.Y + rect.Height;
            record.Imported.push_back(rect);
        }
        record.Imported_Box = {left, top, right - left, bottom - top};
        record.Has_Extents = !record.Imported.empty() && right > left && bottom > top;
    }

    // Places a DXF drawing on a page of the union of all open DXF drawings'
    // extents, at the union's scale (see dxf_layout.h).
    void Lay_Out_Dxf(Open_Document& record)
    {
        dxf_layout::Extents all = record.Extents;
        for (auto& [id, other] : docs)
            if (other.Has_Extents)
                all = all.Union(other.Extents);
        if (record.Laid_Out && record.Laid_Out_For == all)
            return;
        Reference<drawing::XDrawPage> page(Pages(record.Component)->getByIndex(0), UNO_QUERY_THROW);
        dxf_layout::Rect sheet = dxf_layout::Page_Of(all);
        dxf_layout::Rect box = dxf_layout::Place(record.Extents, all);
        const dxf_layout::Rect& from = record.Imported_Box;
        double kx = static_cast<double>(box.Width) / static_cast<double>(from.Width);
        double ky = static_cast<double>(box.Height) / static_cast<double>(from.Height);
        Reference<beans::XPropertySet> properties(page, UNO_QUERY_THROW);
        for (const char* border : {"BorderLeft", "BorderRight", "BorderTop", "BorderBottom"})
            properties->setPropertyValue(OUString::createFromAscii(border), uno::Any(sal_Int32(0)));
        properties->setPropertyValue("Width", uno::Any(static_cast<sal_Int32>(sheet.Width)));
        properties->setPropertyValue("Height", uno::Any(static_cast<sal_Int32>(sheet.Height)));
        for (size_t i = 0; i < record.Imported.size(); ++i) {
            const dxf_layout::Rect& shape_rect = record.Imported[i];
            Reference<drawing::XShape> shape(page->getByIndex(static_cast<sal_Int32>(i)),
                                             UNO_QUERY_THROW);
            auto scaled = [](double v) { return static_cast<sal_Int32>(std::llround(v)); };
            shape->setSize(awt::Size(scaled(static_cast<double>(shape_rect.Width) * kx),
                                     scaled(static_cast<double>(shape_rect.Height) * ky)));
            shape->setPosition(
                awt::Point(static_cast<sal_Int32>(box.X) +
                               scaled(static_cast<double>(shape_rect.X - from.X) * kx),
                           static_cast<sal_Int32>(box.Y) +
                               scaled(static_cast<double>(shape_rect.Y - from.Y) * ky)));
        }
        record.Laid_Out = true;
        record.Laid_Out_For = all;
    }

    Open_Document& Record(const std::string& id)
    {
        auto found = docs.find(std::atoi(id.c_str()));
        if (found == docs.end())
            throw Request_Error{"No such document: " + id};
        return found->second;
    }

    Reference<lang::XComponent>& Doc(const std::string& id)
    {
        auto found = docs.find(std::atoi(id.c_str()));
        if (found == docs.end())
            throw Request_Error{"No such document: " + id};
        return found->second.Component;
    }

    static Reference<drawing::XDrawPages> Pages(const Reference<lang::XComponent>& doc)
    {
        return Reference<drawing::XDrawPagesSupplier>(doc, UNO_QUERY_THROW)->getDrawPages();
    }

    Reference<drawing::XDrawPage> Page(const std::string& doc_id, const std::string& index)
    {
        Reference<drawing::XDrawPages> pages = Pages(Doc(doc_id));
        char* end = nullptr;
        long page = std::strtol(index.c_str(), &end, 10);
        if (index.empty() || *end || page < 0 || page >= pages->getCount())
            throw Request_Error{"No such page: " + index};
        return Reference<drawing::XDrawPage>(pages->getByIndex(static_cast<sal_Int32>(page)),
                                             UNO_QUERY_THROW);
    }

    std::vector<std::string> Export(const Reference<drawing::XDrawPage>& page,
                                    const std::string& png)
    {
        Reference<beans::XPropertySet> properties(page, UNO_QUERY_THROW);
        sal_Int32 width = 0, height = 0;
        properties->getPropertyValue("Width") >>= width;
        properties->getPropertyValue("Height") >>= height;
        office_protocol::Pixel_Size size = office_protocol::Page_Pixels(width, height);
        if (size.Width == 0)
            throw Request_Error{"The page has no area"};
        std::error_code ec;
        std::string absolute = fs::absolute(png, ec).string();
        // A file left from an earlier export must not pass for this one.
        fs::remove(absolute, ec);

        Reference<drawing::XGraphicExportFilter> exporter =
            drawing::GraphicExportFilter::create(context);
        exporter->setSourceDocument(Reference<lang::XComponent>(page, UNO_QUERY_THROW));
        uno::Sequence<beans::PropertyValue> data = Props({
            Prop("PixelWidth", uno::Any(static_cast<sal_Int32>(size.Width))),
            Prop("PixelHeight", uno::Any(static_cast<sal_Int32>(size.Height))),
        });
        uno::Sequence<beans::PropertyValue> descriptor = Props({
            Prop("URL", uno::Any(U(office_protocol::File_Url(absolute)))),
            Prop("MediaType", uno::Any(OUString("image/png"))),
            Prop("FilterData", uno::Any(data)),
        });
        if (!exporter->filter(descriptor))
            throw Request_Error{"LibreOffice could not export the page"};
        if (!fs::is_regular_file(absolute, ec) || fs::file_size(absolute, ec) == 0)
            throw Request_Error{"LibreOffice wrote no picture of the page (an empty page?)"};
        return {"OK", std::to_string(size.Width), std::to_string(size.Height)};
    }

    // The whole drawing as one PDF: a page for every drawing page, each at
    // that page's own size, empty pages included, so that PDF page n is
    // drawing page n. The program draws the pages from it and reads their
    // text layer. Answers the number of pages written.
    std::vector<std::string> Export_Pdf(const Open_Document& record, const std::string& pdf)
    {
        std::error_code ec;
        std::string absolute = fs::absolute(pdf, ec).string();
        // A file left from an earlier export must not pass for this one.
        fs::remove(absolute, ec);
        const sal_Int32 pages = Pages(record.Component)->getCount();
        uno::Sequence<beans::PropertyValue> data = Props({
            Prop("IsSkipEmptyPages", uno::Any(false)),
            Prop("ExportHiddenSlides", uno::Any(true)),
            Prop("ExportNotesPages", uno::Any(false)),
            Prop("ExportBookmarks", uno::Any(false)),
            Prop("ReduceImageResolution", uno::Any(false)),
            Prop("UseLosslessCompression", uno::Any(true)),
        });
        Reference<frame::XStorable> storable(record.Component, UNO_QUERY_THROW);
        try {
            storable->storeToURL(U(office_protocol::File_Url(absolute)),
                                 Props({Prop("FilterName", uno::Any(OUString("draw_pdf_Export"))),
                                        Prop("FilterData", uno::Any(data))}));
        } catch (const uno::RuntimeException&) {
            throw; // the office itself failed
        } catch (const uno::Exception& failure) {
            std::cerr << "varnolt_office_helper: EXPORTPDF: " << S(failure.Message) << std::endl;
            fs::remove(absolute, ec);
            throw Request_Error{"LibreOffice could not write " + record.Name + " as a PDF"};
        }
        if (!fs::is_regular_file(absolute, ec) || fs::file_size(absolute, ec) == 0)
            throw Request_Error{"LibreOffice wrote no PDF of " + record.Name};
        return {"OK", std::to_string(pages)};
    }

    void Close(const std::string& id)
    {
        Reference<lang::XComponent> doc = Doc(id);
        docs.erase(std::atoi(id.c_str()));
        // A shown document that is closed leaves nothing to the user.
        if (doc == Reference<lang::XComponent>(comparison, UNO_QUERY))
            comparison.clear();
        Close_Component(doc);
        Send({"OK"});
    }

    static void Close_Component(const Reference<lang::XComponent>& doc)
    {
        try {
            Reference<util::XCloseable> closeable(doc, UNO_QUERY);
            if (closeable.is())
                closeable->close(true);
            else if (doc.is())
                doc->dispose();
        } catch (const uno::Exception&) {
            // A document that refuses to close goes with the office.
        }
    }

    Office_Process office;
    std::string profile;                  // this helper's own, removed at its end
    std::set<std::string> office_sockets; // the office's pipe sockets
    bool left_to_user = false;            // the office shows the user a comparison
    rtl::Reference<Refusing_Interaction> interaction = new Refusing_Interaction;
    Reference<uno::XComponentContext> context;
    Reference<frame::XDesktop2> desktop;
    std::map<int, Open_Document> docs;
    bool with_windows = false;
    Reference<frame::XModel> comparison; // the comparison shown to the user
    int last_doc = 0;
};

} // namespace

int main(int argc, char** argv)
{
    // The protocol keeps the original standard output; the rest of the
    // process writes to standard error.
    // Close-on-exec: the office must not hold the program's pipe, or a
    // helper that dies would go unnoticed while its office lives on.
    int protocol_fd = fcntl(1, F_DUPFD_CLOEXEC, 3);
    dup2(2, 1);
    protocol_out = fdopen(protocol_fd, "w");
    if (!protocol_out)
        return 1;
    // A program that went away closes the pipe: that ends the helper
    // through its input, not through a signal.
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> arguments(argv + 1, argv + argc);
    bool visible = !arguments.empty() && arguments[0] == "--visible";
    if (visible)
        arguments.erase(arguments.begin());
    if (arguments.empty() || arguments.size() > 2) {
        Send({"ERR", "usage: varnolt_office_helper [--visible] <private folder> [<soffice>]"});
        return 2;
    }
    Helper helper;
    std::string error;
    if (!helper.Start(arguments[0], arguments.size() == 2 ? arguments[1] : "", visible, error)) {
        Send({"ERR", error});
        return 1;
    }
    Send({"READY", std::to_string(helper.Office_Group())});

    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (!helper.Serve(office_protocol::Split(line)))
            return 0;
    }
    helper.Quit(); // the program has gone: leave no office behind
    return 0;
}
