// Recording fakes of the three automation servers the program drives: KOMPAS
// (by dispatch number), Visio and Word (by name). They keep every call in one
// trace, in order, and the two drawing servers write a real PNG for every
// page they are asked to export.
#pragma once

#include "tests/automation/fake_server.h"
#include "tests/test_support.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace test {

using T_Trace = std::shared_ptr<std::vector<std::string>>;

// Paints one exported page: the drawing file, the page from 0, the PNG path.
using T_Page_Painter =
    std::function<void(const std::string& file, int page, const std::string& png)>;

inline void Paint_Plain_Page(const std::string&, int page, const std::string& png)
{
    Write_Png(png, 4 + page, 3, 40, static_cast<std::uint8_t>(60 * page), 200);
}

// The calls after the first `from` of a trace.
inline std::vector<std::string> Calls_Since(const T_Trace& trace, size_t from)
{
    return std::vector<std::string>(trace->begin() + static_cast<long>(from), trace->end());
}

// The name a test gave the file a server opens: a paged pair's session opens
// its own private copy of the base, named otherwise, so a file given by no
// name of Given is known by what it holds. The file's own name when no
// given file holds the same bytes.
inline std::string Given_Name(const std::string& File, const std::set<std::string>& Given)
{
    namespace fs = std::filesystem;
    if (Given.count(File) || !fs::is_regular_file(File))
        return File;
    const std::string bytes = Read_File(File);
    for (const std::string& given : Given)
        if (fs::is_regular_file(given) && Read_File(given) == bytes)
            return given;
    return File;
}

template <class T_Value>
void Add_Keys(std::set<std::string>& Names, const std::map<std::string, T_Value>& By_File)
{
    for (const auto& entry : By_File)
        Names.insert(entry.first);
}

struct Fake_Server_Base {
    std::shared_ptr<std::vector<std::string>> Log = std::make_shared<std::vector<std::string>>();
    T_Trace Trace = std::make_shared<std::vector<std::string>>();
    // Files whose opening the server refuses with an exception.
    std::set<std::string> Refused;
    T_Page_Painter Paint = Paint_Plain_Page;

    std::shared_ptr<Fake_Object> Object(const std::string& name)
    {
        return std::make_shared<Fake_Object>(name, Log, Trace);
    }
};

class Fake_Kompas : public Fake_Server_Base {
public:
    static constexpr const char* Drawing_IID = "{AF4E160D-5C89-4F21-B0F2-D53397BDAF78}";

    std::map<std::string, std::int32_t> Page_Counts; // by file; 1 when not given
    bool No_Document = false;                        // the document members return nothing
    std::vector<std::shared_ptr<Fake_Object>> Docs;

    std::shared_ptr<T_Dispatch> Make_App()
    {
        auto app = Object("kompas");
        for (std::int32_t create : {4, 10, 87})
            app->Handlers["#" + std::to_string(create)] = [this](const T_Args&,
                                                                 const T_Named_Args&) {
                return No_Document ? T_Variant() : T_Variant::Object(Make_Doc());
            };
        app->Answer("#82", T_Variant());
        return app;
    }

private:
    std::set<std::string> Given_Files() const
    {
        std::set<std::string> given = Refused;
        Add_Keys(given, Page_Counts);
        return given;
    }

    std::shared_ptr<Fake_Object> Make_Doc()
    {
        std::string name = "doc" + std::to_string(Docs.size());
        auto doc = Object(name);
        auto file = std::make_shared<std::string>();
        for (std::int32_t open : {149, 12, 7})
            doc->Handlers["#" + std::to_string(open)] = [this, file](const T_Args& args,
                                                                     const T_Named_Args&) {
                *file = Given_Name(args.at(0).As_String(), Given_Files());
                if (Refused.count(*file))
                    throw T_Server_Exception("Cannot open " + *file);
                return T_Variant::Boolean(true);
            };
        for (std::int32_t count : {226, 6, 15})
            doc->Handlers["#" + std::to_string(count)] = [this, file](const T_Args&,
                                                                      const T_Named_Args&) {
                auto found = Page_Counts.find(*file);
                return T_Variant::Int32(found == Page_Counts.end() ? 1 : found->second);
            };
        doc->Answer("ksCloseDocument", T_Variant());

        auto drawing = Object(name + ".drawing");
        auto params = Object(name + ".params");
        auto page_text = std::make_shared<std::string>();
        for (int member : {1, 4, 6, 2, 10, 3})
            params->Answer("#" + std::to_string(member), T_Variant());
        params->Answer("#9", T_Variant::Int16(0));
        params->Handlers["#8"] = [page_text](const T_Args& args, const T_Named_Args&) {
            *page_text = args.at(0).As_String();
            return T_Variant();
        };
        drawing->Answer("#191", T_Variant::Object(params));
        drawing->Handlers["#190"] = [this, file, page_text](const T_Args& args,
                                                            const T_Named_Args&) {
            Paint(*file, std::stoi(*page_text) - 1, args.at(0).As_String());
            return T_Variant::Boolean(true);
        };
        doc->Interfaces[Drawing_IID] = drawing;
        Docs.push_back(doc);
        return doc;
    }
};

struct Visio_Page {
    std::string Name;
    std::int32_t ID;
};

class Fake_Visio : public Fake_Server_Base {
public:
    std::map<std::string, std::vector<Visio_Page>> Layouts; // by file; one page when not given
    std::set<std::string> Count_Fails;                      // files whose "Count" raises
    std::set<std::string> Export_Fails;                     // files whose pages refuse "Export"
    std::vector<std::shared_ptr<Fake_Object>> Docs;

    std::shared_ptr<T_Dispatch> Make_App()
    {
        auto app = Object("visio");
        app->Answer("Visible", T_Variant());
        app->Answer("AlertResponse", T_Variant());
        app->Answer("Quit", T_Variant());
        auto documents = Object("docs");
        documents->Handlers["openex"] = [this](const T_Args& args, const T_Named_Args&) {
            std::string file = Given_Name(args.at(0).As_String(), Given_Files());
            if (Refused.count(file))
                throw T_Server_Exception("Visio cannot open " + file);
            return T_Variant::Object(Make_Doc(file));
        };
        app->Answer("Documents", T_Variant::Object(documents));
        return app;
    }

private:
    std::set<std::string> Given_Files() const
    {
        std::set<std::string> given = Refused;
        given.insert(Count_Fails.begin(), Count_Fails.end());
        given.insert(Export_Fails.begin(), Export_Fails.end());
        Add_Keys(given, Layouts);
        return given;
    }

    std::shared_ptr<Fake_Object> Make_Doc(const std::string& file)
    {
        std::string name = "doc" + std::to_string(Docs.size());
        auto doc = Object(name);
        auto pages = Object(name + ".pages");
        std::vector<Visio_Page> layout =
            Layouts.count(file) ? Layouts[file] : std::vector<Visio_Page>{{"Page-1", 0}};
        if (Count_Fails.count(file))
            pages->Handlers["Count"] = [](const T_Args&, const T_Named_Args&) -> T_Variant {
                throw T_Server_Exception("Count refused");
            };
        else
            pages->Answer("Count", T_Variant::Int32(static_cast<std::int32_t>(layout.size())));
        std::vector<std::shared_ptr<Fake_Object>> page_objects;
        for (size_t i = 0; i < layout.size(); ++i) {
            auto page = Object(name + ".page" + std::to_string(i + 1));
            page->Answer("name", T_Variant::Wide_From_Utf8(layout[i].Name));
            page->Answer("ID", T_Variant::Int32(layout[i].ID));
            page->Handlers["Export"] = [this, file, i](const T_Args& args, const T_Named_Args&) {
                if (Export_Fails.count(file))
                    throw T_Server_Exception("Export refused");
                Paint(file, static_cast<int>(i), args.at(0).As_String());
                return T_Variant();
            };
            page_objects.push_back(page);
        }
        pages->Handlers["Item"] = [page_objects](const T_Args& args, const T_Named_Args&) {
            std::int32_t item = args.at(0).As_Int();
            if (item < 1 || item > static_cast<std::int32_t>(page_objects.size()))
                throw T_Server_Exception("Invalid page");
            return T_Variant::Object(page_objects[static_cast<size_t>(item - 1)]);
        };
        doc->Answer("Pages", T_Variant::Object(pages));
        doc->Answer("Close", T_Variant());
        Docs.push_back(doc);
        return doc;
    }
};

class Fake_Word : public Fake_Server_Base {
public:
    bool Compare_Fails = false;
    bool Quit_Fails = false;
    bool No_Document = false;
    int Opened = 0;

    std::shared_ptr<T_Dispatch> Make_App()
    {
        auto app = Object("word");
        auto documents = Object("docs");
        documents->Handlers["OpenNoRepairDialog"] = [this](const T_Args& args,
                                                           const T_Named_Args&) {
            std::string file = args.at(0).As_String();
            if (Refused.count(file))
                throw T_Server_Exception("Word cannot open " + file);
            if (No_Document)
                return T_Variant();
            auto doc = Object("doc" + std::to_string(Opened++));
            doc->Answer("Close", T_Variant());
            return T_Variant::Object(doc);
        };
        app->Answer("Documents", T_Variant::Object(documents));
        app->Answer("Visible", T_Variant());
        app->Answer("Activate", T_Variant());
        app->Handlers["CompareDocuments"] = [this](const T_Args&, const T_Named_Args&) {
            if (Compare_Fails)
                throw T_Server_Exception("Compare refused");
            return T_Variant();
        };
        app->Handlers["Quit"] = [this](const T_Args&, const T_Named_Args&) {
            if (Quit_Fails)
                throw T_Server_Exception("Quit refused");
            return T_Variant();
        };
        return app;
    }
};

} // namespace test
