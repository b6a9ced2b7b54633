#include "imaging/page_store.h"

#include "platform/os_platform.h"

#include <utility>

T_Page_Store::T_Page_Store(int Page_Count, T_Page_Drawing Draw, T_Page_Memory_Bound Bound)
    : Draw_(std::move(Draw)), Bound_(Bound),
      Pages_(static_cast<std::size_t>(Page_Count > 0 ? Page_Count : 0))
{
}

T_Page_Store::~T_Page_Store()
{
    {
        std::lock_guard<std::mutex> lock(Guard_);
        Stopping_ = true;
    }
    Wake_.notify_all();
    if (Writer_.joinable())
        Writer_.join();
}

bool T_Page_Store::Draw(int Page, const std::string& File, std::string& Error)
{
    if (!Valid(Page)) {
        Error = "The document has no page " + std::to_string(Page + 1) + ".";
        return false;
    }
    T_Page_State before = T_Page_State::Not_Drawn;
    int overdue = -1;
    bool taken = false;
    {
        std::unique_lock<std::mutex> lock(Guard_);
        Drawn_.wait(lock, [&] { return At(Page).Status.State != T_Page_State::Drawing; });
        T_Page& page = At(Page);
        if (page.Status.State == T_Page_State::Failed) {
            Error = page.Status.Failure;
            return false;
        }
        // Drawn before, or by the thread just waited for: the document draws
        // a page alike every time, so the picture in memory is taken again.
        taken = page.Status.State == T_Page_State::In_Memory && page.Status.File == File;
        if (taken)
            overdue = Hold_Newest_Locked(Page);
        else {
            before = page.Status.State;
            page.Status.State = T_Page_State::Drawing;
        }
    }
    if (taken) {
        if (overdue >= 0)
            Send_Out(overdue);
        Error.clear();
        return true;
    }
    // The document's library is called without the store's lock: the panes
    // go on reading the pages already drawn meanwhile.
    std::string failure;
    T_Page_Picture_Ptr picture;
    try {
        picture = Draw_ ? Draw_(Page, failure) : nullptr;
    } catch (...) {
        // Not drawn (a call overtaken by a newer one): the page stays as it
        // was, so that the threads waiting for it, or the next to ask, draw it.
        {
            std::lock_guard<std::mutex> lock(Guard_);
            At(Page).Status.State = before;
        }
        Drawn_.notify_all();
        throw;
    }
    if (!picture && failure.empty())
        failure = "Page " + std::to_string(Page + 1) + " cannot be drawn.";
    {
        std::lock_guard<std::mutex> lock(Guard_);
        overdue = Keep_Drawing_Locked(Page, File, std::move(picture), failure);
    }
    Drawn_.notify_all();
    if (overdue >= 0)
        Send_Out(overdue);
    Error = failure;
    return failure.empty();
}

int T_Page_Store::Keep_Drawing_Locked(int Page, const std::string& File, T_Page_Picture_Ptr Picture,
                                      const std::string& Failure)
{
    T_Page& page = At(Page);
    page.Status.File = File;
    page.Status.Failure = Failure;
    Stay_Locked(Page);
    page.Status.State = Picture ? T_Page_State::In_Memory : T_Page_State::Failed;
    page.Picture = std::move(Picture);
    return page.Picture ? Hold_Newest_Locked(Page) : -1;
}

bool T_Page_Store::Is_Kept(int Page) const
{
    const T_Page_Status status = Status(Page);
    return status.State == T_Page_State::In_Memory ||
           (status.State == T_Page_State::Written && os::File_Exists(status.File));
}

T_Page_Status T_Page_Store::Status(int Page) const
{
    std::lock_guard<std::mutex> lock(Guard_);
    return Valid(Page) ? At(Page).Status : T_Page_Status{};
}

T_Page_Picture_Ptr T_Page_Store::Picture(int Page) const
{
    std::lock_guard<std::mutex> lock(Guard_);
    return Valid(Page) ? At(Page).Picture : nullptr;
}

int T_Page_Store::Page_Named(const std::string& File) const
{
    std::lock_guard<std::mutex> lock(Guard_);
    for (int page = 0; page < Page_Count(); ++page)
        if (!File.empty() && At(page).Status.File == File)
            return page;
    return -1;
}

bool T_Page_Store::Write(int Page, std::string& Error)
{
    if (!Valid(Page))
        return true;
    T_Page_Picture_Ptr picture;
    std::string file;
    {
        // One write of a page at a time, so that the writer and a reader by
        // name never write the same page twice; other pages are not held up.
        std::unique_lock<std::mutex> lock(Guard_);
        Written_.wait(lock, [&] { return !At(Page).Writing; });
        T_Page& page = At(Page);
        if (page.Status.State != T_Page_State::In_Memory)
            return true;
        picture = page.Picture;
        file = page.Status.File;
        page.Writing = true;
    }
    const bool written = picture->Write(file, Error);
    {
        std::lock_guard<std::mutex> lock(Guard_);
        T_Page& page = At(Page);
        page.Writing = false;
        // A page let go, or being drawn again, meanwhile is not the one
        // written.
        if (written && page.Status.State == T_Page_State::In_Memory && page.Picture == picture)
            Drop_Locked(Page, T_Page_State::Written);
    }
    Written_.notify_all();
    return written;
}

bool T_Page_Store::Write_Named(const std::string& File, std::string& Error)
{
    return Write(Page_Named(File), Error);
}

void T_Page_Store::Let_Go(int Page)
{
    if (!Valid(Page))
        return;
    std::lock_guard<std::mutex> lock(Guard_);
    if (At(Page).Status.State == T_Page_State::In_Memory)
        Drop_Locked(Page, T_Page_State::Let_Go);
}

std::size_t T_Page_Store::Held_Pages() const
{
    std::lock_guard<std::mutex> lock(Guard_);
    std::size_t pages = 0;
    for (const T_Page& page : Pages_)
        pages += page.Picture ? 1 : 0;
    return pages;
}

std::size_t T_Page_Store::Held_Bytes() const
{
    std::lock_guard<std::mutex> lock(Guard_);
    std::size_t bytes = 0;
    for (const T_Page& page : Pages_)
        bytes += page.Picture ? page.Picture->Bytes() : 0;
    return bytes;
}

void T_Page_Store::Finish_Writes()
{
    std::unique_lock<std::mutex> lock(Guard_);
    Idle_.wait(lock, [this] { return Queue_.empty() && !Busy_; });
}

void T_Page_Store::Drop_Locked(int Page, T_Page_State State)
{
    T_Page& page = At(Page);
    page.Status.State = State;
    page.Picture = nullptr;
    Stay_Locked(Page);
}

void T_Page_Store::Stay_Locked(int Page)
{
    T_Page& page = At(Page);
    if (!page.Leaving)
        return;
    page.Leaving = false;
    // The queue holds only pages still leaving, so that its length says how
    // far the writer is behind.
    std::erase(Queue_, Page);
    if (Queue_.empty())
        Idle_.notify_all();
}

int T_Page_Store::Hold_Newest_Locked(int Page)
{
    Stay_Locked(Page);
    At(Page).Drawn_At = ++Next_Drawn_At_;
    Send_Oldest_Out_Locked();
    return Take_Overdue_Locked();
}

void T_Page_Store::Send_Oldest_Out_Locked()
{
    std::size_t pages = 0, bytes = 0;
    for (const T_Page& page : Pages_)
        if (page.Picture && !page.Leaving) {
            ++pages;
            bytes += page.Picture->Bytes();
        }
    while (pages > 1 && (pages > Bound_.Pages || bytes > Bound_.Bytes)) {
        int oldest = -1;
        for (int index = 0; index < Page_Count(); ++index) {
            const T_Page& page = At(index);
            if (page.Picture && !page.Leaving &&
                (oldest < 0 || page.Drawn_At < At(oldest).Drawn_At))
                oldest = index;
        }
        At(oldest).Leaving = true;
        Queue_.push_back(oldest);
        --pages;
        bytes -= At(oldest).Picture->Bytes();
    }
    if (!Queue_.empty() && !Writer_.joinable())
        // Writing out is never waited for by a page switch: it runs when a
        // core is idle, so as not to slow the drawing of the pages shown.
        Writer_ = std::thread([this] {
            os::Run_This_Thread_When_Idle();
            Write_Out();
        });
    Wake_.notify_one();
}

int T_Page_Store::Take_Overdue_Locked()
{
    // A writer that cannot keep up (every core busy) would let the pages
    // waiting for it grow without bound: the drawing thread then writes the
    // oldest itself, never one the writer is writing, which it would wait
    // for.
    if (Queue_.size() <= Bound_.Pages)
        return -1;
    for (auto queued = Queue_.begin(); queued != Queue_.end(); ++queued)
        if (!At(*queued).Writing) {
            const int page = *queued;
            Queue_.erase(queued);
            return page;
        }
    return -1;
}

void T_Page_Store::Send_Out(int Page)
{
    std::string error;
    if (Write(Page, error))
        return;
    std::lock_guard<std::mutex> lock(Guard_);
    T_Page& page = At(Page);
    if (page.Status.State != T_Page_State::In_Memory)
        return;
    Drop_Locked(Page, T_Page_State::Let_Go);
    page.Status.Failure = error;
}

void T_Page_Store::Write_Out()
{
    std::unique_lock<std::mutex> lock(Guard_);
    for (;;) {
        Wake_.wait(lock, [this] { return Stopping_ || !Queue_.empty(); });
        if (Stopping_)
            return;
        // Only pages still leaving are queued: one drawn again, taken again
        // or let go meanwhile has left the queue.
        const int page = Queue_.front();
        Queue_.pop_front();
        Busy_ = true;
        lock.unlock();
        Send_Out(page);
        lock.lock();
        Busy_ = false;
        if (Queue_.empty())
            Idle_.notify_all();
    }
}
