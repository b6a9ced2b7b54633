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
    {
        std::unique_lock<std::mutex> lock(Guard_);
        Drawn_.wait(lock, [&] { return At(Page).Status.State != T_Page_State::Drawing; });
        T_Page& page = At(Page);
        if (page.Status.State == T_Page_State::Failed) {
            Error = page.Status.Failure;
            return false;
        }
        page.Status.State = T_Page_State::Drawing;
    }
    // The document's library is called without the store's lock: the panes
    // go on reading the pages already drawn meanwhile.
    std::string failure;
    T_Page_Picture_Ptr picture = Draw_ ? Draw_(Page, failure) : nullptr;
    if (!picture && failure.empty())
        failure = "Page " + std::to_string(Page + 1) + " cannot be drawn.";
    int overdue = -1;
    {
        std::lock_guard<std::mutex> lock(Guard_);
        T_Page& page = At(Page);
        page.Status.File = File;
        page.Status.Failure = failure;
        page.Leaving = false;
        if (!picture) {
            page.Status.State = T_Page_State::Failed;
            page.Picture = nullptr;
        } else {
            page.Status.State = T_Page_State::In_Memory;
            page.Picture = std::move(picture);
            page.Drawn_At = ++Next_Drawn_At_;
            Send_Oldest_Out_Locked();
            // A writer that cannot keep up (every core busy) would let the
            // pages waiting for it grow without bound: the drawing thread
            // then writes the oldest itself.
            if (Queue_.size() > Bound_.Pages) {
                overdue = Queue_.front();
                Queue_.pop_front();
            }
        }
    }
    Drawn_.notify_all();
    if (overdue >= 0)
        Send_Out(overdue);
    Error = failure;
    return failure.empty();
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
    for (int page = 0; page < Count(); ++page)
        if (!File.empty() && At(page).Status.File == File)
            return page;
    return -1;
}

bool T_Page_Store::Write(int Page, std::string& Error)
{
    if (!Valid(Page))
        return true;
    // One file at a time: the writer and a reader by name never write the
    // same page twice.
    std::lock_guard<std::mutex> writing(Writing_);
    T_Page_Picture_Ptr picture;
    std::string file;
    {
        std::lock_guard<std::mutex> lock(Guard_);
        if (At(Page).Status.State != T_Page_State::In_Memory)
            return true;
        picture = At(Page).Picture;
        file = At(Page).Status.File;
    }
    if (!picture->Write(file, Error))
        return false;
    std::lock_guard<std::mutex> lock(Guard_);
    // A page let go or drawn again meanwhile is not the one written.
    if (At(Page).Picture == picture)
        Drop_Locked(At(Page), T_Page_State::Written);
    return true;
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
        Drop_Locked(At(Page), T_Page_State::Let_Go);
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

void T_Page_Store::Drop_Locked(T_Page& Page, T_Page_State State)
{
    Page.Status.State = State;
    Page.Picture = nullptr;
    Page.Leaving = false;
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
        T_Page* oldest = nullptr;
        int oldest_index = -1;
        for (int index = 0; index < Count(); ++index) {
            T_Page& page = At(index);
            if (page.Picture && !page.Leaving && (!oldest || page.Drawn_At < oldest->Drawn_At)) {
                oldest = &page;
                oldest_index = index;
            }
        }
        oldest->Leaving = true;
        Queue_.push_back(oldest_index);
        --pages;
        bytes -= oldest->Picture->Bytes();
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

void T_Page_Store::Send_Out(int Page)
{
    std::string error;
    if (Write(Page, error))
        return;
    std::lock_guard<std::mutex> lock(Guard_);
    T_Page& page = At(Page);
    if (page.Status.State != T_Page_State::In_Memory)
        return;
    Drop_Locked(page, T_Page_State::Let_Go);
    page.Status.Failure = error;
}

void T_Page_Store::Write_Out()
{
    std::unique_lock<std::mutex> lock(Guard_);
    for (;;) {
        Wake_.wait(lock, [this] { return Stopping_ || !Queue_.empty(); });
        if (Stopping_)
            return;
        const int page = Queue_.front();
        Queue_.pop_front();
        // Only a page still waiting to leave is written: one drawn again or
        // let go meanwhile is not.
        if (At(page).Leaving) {
            Busy_ = true;
            lock.unlock();
            Send_Out(page);
            lock.lock();
            Busy_ = false;
        }
        if (Queue_.empty())
            Idle_.notify_all();
    }
}
