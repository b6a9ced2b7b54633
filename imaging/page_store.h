// The pages of one open document, as its session holds them: each page a
// handle with an explicit state, drawn when first asked for by the function
// the document's owner gives (the only caller of the document's library),
// held in memory for the panes and the difference engine, and written as a
// file only when something reads it by name (the converter). Plain C++: the
// picture itself is opaque here, so that the layers without the toolkit ask
// the same store.
//
// The pages in memory are bounded: beyond a few (or a budget of bytes) the
// oldest is written out on a thread of its own that runs when a core is
// idle, and let go, so that a page asked for again is decoded from its file
// or, where the file could not be written, drawn again. Files are written
// whole under a temporary name and renamed, so that a file that exists is
// complete. Safe from several threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A drawn page's picture as the store holds it: its size and how to write it.
class T_Page_Picture {
public:
    virtual ~T_Page_Picture() = default;
    virtual std::size_t Bytes() const = 0;
    // Writes the picture whole as File; false with the reason otherwise (no
    // file is left then).
    virtual bool Write(const std::string& File, std::string& Error) const = 0;
};
using T_Page_Picture_Ptr = std::shared_ptr<const T_Page_Picture>;

// Draws page Page (from 0) of the document; null with the reason in Failure
// when it cannot be drawn.
using T_Page_Drawing = std::function<T_Page_Picture_Ptr(int Page, std::string& Failure)>;

enum class T_Page_State {
    Not_Drawn,
    Drawing,   // being drawn by one thread; others asking wait for it
    In_Memory, // drawn, its file not written
    Written,   // its file is written, the picture let go
    Let_Go,    // dropped unwritten (nobody reads it by name, or its file
               // could not be written): drawn again when asked for
    Failed,    // it cannot be drawn; the reason is kept
};

// What a page's handle says about it.
struct T_Page_Status {
    T_Page_State State = T_Page_State::Not_Drawn;
    std::string File;    // the name its file has or will have; "" until drawn
    std::string Failure; // why it failed, or why its file could not be written
};

// How many pages, and how many bytes of their pictures, stay in memory.
struct T_Page_Memory_Bound {
    std::size_t Pages = 3;
    std::size_t Bytes = std::size_t{384} << 20;
};

class T_Page_Store {
public:
    T_Page_Store(int Page_Count, T_Page_Drawing Draw, T_Page_Memory_Bound Bound = {});
    // Stops the writer; pages still in memory go with the store.
    ~T_Page_Store();
    T_Page_Store(const T_Page_Store&) = delete;
    T_Page_Store& operator=(const T_Page_Store&) = delete;

    int Page_Count() const { return static_cast<int>(Pages_.size()); }

    // Draws Page as the page that File will hold (again, when it was drawn
    // before and let go or written). A page already in memory under File is
    // taken as it is, and kept from leaving; one being drawn by another
    // thread is waited for, and taken once drawn. False with the reason for
    // a page that cannot be drawn; a page that failed before is not drawn
    // again. What the drawing function throws (a call no longer wanted)
    // leaves the page as it was, and is thrown on.
    bool Draw(int Page, const std::string& File, std::string& Error);
    // True while the page is in memory, or written and its file still there.
    bool Is_Kept(int Page) const;
    T_Page_Status Status(int Page) const;
    // The page's picture while it is in memory; null otherwise.
    T_Page_Picture_Ptr Picture(int Page) const;
    // The page that File names; -1 when it is none of this document's.
    int Page_Named(const std::string& File) const;

    // Writes the page's file if it is in memory, and lets the picture go.
    // True when nothing was promised or the file is written now; false with
    // the reason when it could not be (the page then stays in memory). A
    // write of the same page under way elsewhere is waited for.
    bool Write(int Page, std::string& Error);
    // The same for the page that File names; true for a file of no page.
    bool Write_Named(const std::string& File, std::string& Error);
    // Lets a page in memory go unwritten: nobody will read it by name.
    void Let_Go(int Page);

    // Pages in memory (those on their way to the disk included) and the
    // bytes of their pictures.
    std::size_t Held_Pages() const;
    std::size_t Held_Bytes() const;
    // Waits until the pages being written out have been written.
    void Finish_Writes();

private:
    struct T_Page {
        T_Page_Status Status;
        T_Page_Picture_Ptr Picture; // while In_Memory
        std::uint64_t Drawn_At = 0; // the order pages came into memory
        bool Leaving = false;       // queued for the writer, or being sent out
        bool Writing = false;       // its file is being written
    };

    bool Valid(int Page) const { return Page >= 0 && Page < Page_Count(); }
    T_Page& At(int Page) { return Pages_[static_cast<std::size_t>(Page)]; }
    const T_Page& At(int Page) const { return Pages_[static_cast<std::size_t>(Page)]; }
    // Records what drawing the page came to: in memory as the newest, or
    // failed with its reason. Returns a page to write out now, or -1.
    int Keep_Drawing_Locked(int Page, const std::string& File, T_Page_Picture_Ptr Picture,
                            const std::string& Failure);
    void Drop_Locked(int Page, T_Page_State State);
    // Takes the page back from the writer's queue.
    void Stay_Locked(int Page);
    // Holds a page that came into memory, or was taken again from there, as
    // the newest; queues the oldest beyond the bound, and returns a page the
    // drawing thread is to write itself (Take_Overdue_Locked), or -1.
    int Hold_Newest_Locked(int Page);
    // Queues the oldest pages beyond the bound; the one drawn last stays.
    void Send_Oldest_Out_Locked();
    // A queued page the drawing thread writes itself when the writer falls
    // behind: one still leaving that the writer is not writing; -1 for none.
    int Take_Overdue_Locked();
    // Writes a page pushed out of memory, or lets it go when it cannot be
    // written, so that failures cannot pile up in memory.
    void Send_Out(int Page);
    void Write_Out();

    const T_Page_Drawing Draw_;
    const T_Page_Memory_Bound Bound_;
    mutable std::mutex Guard_;
    std::condition_variable Drawn_;       // a page left Drawing
    std::condition_variable Written_;     // a page's write ended
    std::condition_variable Wake_, Idle_; // the writer's queue
    std::vector<T_Page> Pages_;
    std::uint64_t Next_Drawn_At_ = 0;
    std::deque<int> Queue_;
    bool Busy_ = false;
    bool Stopping_ = false;
    std::thread Writer_;
};
