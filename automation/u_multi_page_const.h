// The page model of multi-page drawings and the exporter base class that
// drives an automation server to write one PNG per page.
#pragma once

#include "vocabulary/document_kinds.h"
#include "automation/u_ole_automation.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class T_Page_Store;

struct T_Page_rec {
    std::string Name;      // caption of the page tab
    std::int32_t ID = 0;   // pairs the pages of the two documents
    std::string File_Name; // PNG written for the page; empty until exported
    // What the page's source holds to draw (shapes, text), known once the
    // page is exported: a picture of one flat colour from a page that holds
    // something is a page the server failed to draw. -1 when the source
    // does not say.
    int Content = -1;
    // The page's size in the pixels it is shown in, where the document says
    // so before the page is drawn; 0 when not known.
    int Width = 0;
    int Height = 0;
};

// The pages of a document in page order. Shared, not copied: every holder of
// a reference sees a File_Name recorded later by an export.
using T_Page_List_A = std::shared_ptr<std::vector<T_Page_rec>>;

struct T_Page_List {
    T_Page_List_A Items = std::make_shared<std::vector<T_Page_rec>>();

    int Count() const { return Items ? static_cast<int>(Items->size()) : 0; }
    bool Is_Valid_Index(int index) const { return index >= 0 && index < Count(); }
    // Drops this reference's pages: the list becomes empty here, while other
    // holders of the same pages keep them.
    void Clear() { Items = std::make_shared<std::vector<T_Page_rec>>(); }
    T_Page_rec& operator[](int index) { return (*Items)[static_cast<size_t>(index)]; }
    const T_Page_rec& operator[](int index) const { return (*Items)[static_cast<size_t>(index)]; }
};

// One opened document of an exporter.
struct T_Paged_Doc_Rec {
    T_Variant Doc;       // the server's document object
    bool Opened = false; // false once the exporter has closed it
    T_Page_List Pages;   // built when the document is opened
};

// Receives the error text when the server cannot be started.
using T_Error_Event = std::function<void(const std::string&)>;

// An exporter serves both documents of a comparison: it opens them in its
// automation server, lists their pages and writes a page as PNG when it is
// first asked for. Subclasses supply the server-specific steps.
//
// Create exporters with Make_Exporter<T>(): destroying one must close its
// documents and quit its server through the subclass's Close_Doc and
// Quit_App, which a C++ base destructor can no longer reach, so the object
// that Make_Exporter builds runs Shut_Down from its own destructor.
class T_Base_Multipage_Wrapper {
public:
    T_Base_Multipage_Wrapper() = default;
    T_Base_Multipage_Wrapper(const T_Base_Multipage_Wrapper&) = delete;
    T_Base_Multipage_Wrapper& operator=(const T_Base_Multipage_Wrapper&) = delete;
    virtual ~T_Base_Multipage_Wrapper() = default;

    // Opened documents; a document's position is its index for the callers.
    // Only appended to until the exporter is destroyed.
    std::vector<T_Paged_Doc_Rec> Docs;
    T_Error_Event On_Error;

    // Starts the server and keeps its application object. On failure calls
    // On_Error (when set) with the reason and returns false; never raises.
    virtual bool Start_App() = 0;
    // Tells the server to quit; false when no application object is held or
    // the call failed in any way.
    virtual bool Quit_App() = 0;
    // Closes one opened document in the server; false for an invalid or
    // closed document, or when the server call failed in any way.
    virtual bool Close_Doc(int Doc_Index) = 0;
    // Opens a file and builds its page list: Ok with Doc_Index set, No_File
    // when there is no such file (the server is not asked), Automation_Error
    // with the server's message in Error_Text.
    virtual T_Open_Result Open_Doc(const std::string& File_Name, int& Doc_Index,
                                   std::string& Error_Text) = 0;
    // Writes page Page_Index (or every page for -1) of a document as
    // Name_Prefix + "_page_" + n + ".png" and records the name in the page
    // list. With Reuse_Existing a page that is still kept (Page_Kept) is not
    // written again. An exporter may hold a page in its document's page
    // store instead of writing its file. False for an invalid document or
    // page, and with the server's message in Error_Text after an automation
    // error.
    virtual bool Export_Pages(int Doc_Index, const std::string& Name_Prefix, int Page_Index,
                              std::string& Error_Text, bool Reuse_Existing);

    // True when pages of different documents may be exported at the same
    // time from two threads; automation servers take calls from one thread.
    virtual bool Exports_In_Parallel() const { return false; }

    // The PDF whose text layer holds the text of a document's pages, page n
    // of the one being page n of the other; "" when the pages have none.
    virtual std::string Text_Layer_File(int /*Doc_Index*/) const { return {}; }
    // Whether the document was opened from a copy rebuilt from a damaged
    // file.
    virtual bool Repaired(int /*Doc_Index*/) const { return false; }
    // The store of a document whose pages are drawn in memory, their files
    // written only when read by name; null where every page is a file the
    // server wrote.
    virtual T_Page_Store* Page_Store(int /*Doc_Index*/) const { return nullptr; }

    // Stores the handler and starts the server; called once after creation.
    bool Init(T_Error_Event handler);
    bool Is_Valid_Doc(int Doc_Index) const;
    // Hands out a shared reference to an opened document's pages; otherwise
    // leaves `Pages` empty and returns false.
    bool Get_Page_List(int Doc_Index, T_Page_List& Pages) const;
    // The page's ID, or -1 for an invalid or closed document or page.
    std::int32_t Get_Page_ID(int Doc_Index, int Page_Index) const;

    // The PNG name of page n under a prefix.
    static std::string Page_File_Name(const std::string& Name_Prefix, int page);

protected:
    // Close_Doc's common frame: calls the document's closing member by name
    // when the document is valid and open; false on any failure.
    bool Close_Doc_By(int Doc_Index, const char* Member);

    // The server-specific part of an export: write page n of the document as
    // PNG under File_Name. Automation errors are left to Export_Pages.
    virtual void Export_Page_File(int Doc_Index, int page, const std::string& File_Name) = 0;
    // True when the page exported before is still there to be shown: in its
    // document's page store, or its file still exists.
    bool Page_Kept(int Doc_Index, int page) const;
    // How much page n holds to draw (see T_Page_rec::Content); -1 when the
    // server cannot say.
    virtual int Page_Content(int /*Doc_Index*/, int /*page*/) { return -1; }

    // Closes every document (through Close_Doc), marks it closed, empties its
    // page list, releases the documents and quits the server. Failures are
    // ignored; runs once.
    void Shut_Down() noexcept;

private:
    bool Export_One(T_Paged_Doc_Rec& doc, int Doc_Index, const std::string& Name_Prefix, int page,
                    bool Reuse_Existing);
    bool shut_down = false;
};

// The most derived type of every exporter: its destructor runs the
// destruction sequence while the subclass's operations are still there.
template <class T> class T_Exporter_Owner final : public T {
public:
    using T::T;
    ~T_Exporter_Owner() override { this->Shut_Down(); }
};

template <class T, class... Args>
std::unique_ptr<T_Base_Multipage_Wrapper> Make_Exporter(Args&&... args)
{
    return std::make_unique<T_Exporter_Owner<T>>(std::forward<Args>(args)...);
}
