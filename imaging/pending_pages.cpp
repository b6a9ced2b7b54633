#include "imaging/pending_pages.h"

#include <QImageWriter>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>

namespace {

// Two panes show a page each and two more are drawn ahead; a couple more
// cover going back. Huge sheets are bounded by their bytes instead.
constexpr std::size_t Max_Held_Pages = 6;
constexpr std::size_t Max_Held_Bytes = std::size_t{768} << 20;

// Qt's PNG writer maps a quality q to zlib level (100 - q) * 9 / 91: 89 is
// level 1, which writes a drawing about as fast as level 0 (no compression)
// at a small part of its size, and well faster than the default level.
constexpr int Page_Png_Quality = 89;

struct T_Held_Page {
    std::string File;
    QImage Picture;
    std::mutex Writing;   // held while the file is written
    bool Written = false; // under Writing
    bool Leaving = false; // queued for the worker; under Guard
    bool Let_Go = false;  // dropped unwritten; under Guard
};
using T_Held = std::shared_ptr<T_Held_Page>;

// The pages in the order they were held, and the worker that writes out the
// oldest ones.
class T_Registry {
public:
    ~T_Registry()
    {
        {
            std::lock_guard<std::mutex> lock(Guard);
            Stopping = true;
        }
        Wake.notify_all();
        if (Worker)
            Worker->wait();
    }

    void Hold(const std::string& File, const QImage& Picture)
    {
        auto page = std::make_shared<T_Held_Page>();
        page->File = File;
        page->Picture = Picture;
        T_Held overdue;
        {
            std::lock_guard<std::mutex> lock(Guard);
            Drop_Locked(File);
            Held.push_back(std::move(page));
            Send_Oldest_Out_Locked();
            // A worker that cannot keep up (every core busy) would let the
            // pages waiting for it grow without bound: the drawing thread
            // then writes the oldest itself.
            if (Queue.size() > Max_Held_Pages) {
                overdue = Queue.front();
                Queue.pop_front();
            }
        }
        if (overdue)
            Send_Out(overdue);
    }

    T_Held Find(const std::string& File)
    {
        std::lock_guard<std::mutex> lock(Guard);
        auto found = std::find_if(Held.rbegin(), Held.rend(),
                                  [&](const T_Held& page) { return page->File == File; });
        return found == Held.rend() ? nullptr : *found;
    }

    QImage Picture(const std::string& File)
    {
        std::lock_guard<std::mutex> lock(Guard);
        for (auto page = Held.rbegin(); page != Held.rend(); ++page)
            if ((*page)->File == File)
                return (*page)->Picture;
        return {};
    }

    bool Write(const T_Held& Page, std::string* Error)
    {
        std::lock_guard<std::mutex> writing(Page->Writing);
        if (!Page->Written) {
            {
                std::lock_guard<std::mutex> lock(Guard);
                if (Page->Let_Go)
                    return true;
            }
            if (!Write_Page_Png(Page->Picture, Page->File, Error))
                return false;
            Page->Written = true;
        }
        std::lock_guard<std::mutex> lock(Guard);
        std::erase(Held, Page);
        Page->Picture = QImage();
        return true;
    }

    // Writes a page pushed out of memory. One that cannot be written is let
    // go all the same, so that failures cannot pile up in memory: asked for
    // again, it is drawn again.
    void Send_Out(const T_Held& Page)
    {
        if (Write(Page, nullptr))
            return;
        std::lock_guard<std::mutex> lock(Guard);
        Page->Let_Go = true;
        std::erase(Held, Page);
    }

    void Let_Go(const std::string& File)
    {
        std::lock_guard<std::mutex> lock(Guard);
        Drop_Locked(File);
    }

    std::size_t Held_Count()
    {
        std::lock_guard<std::mutex> lock(Guard);
        return Held.size();
    }

    std::size_t Bytes()
    {
        std::lock_guard<std::mutex> lock(Guard);
        std::size_t bytes = 0;
        for (const T_Held& page : Held)
            bytes += std::size_t(page->Picture.sizeInBytes());
        return bytes;
    }

    void Wait_For_Writes()
    {
        std::unique_lock<std::mutex> lock(Guard);
        Idle.wait(lock, [this] { return Queue.empty() && !Busy; });
    }

private:
    void Drop_Locked(const std::string& File)
    {
        std::erase_if(Held, [&](const T_Held& page) {
            if (page->File != File)
                return false;
            page->Let_Go = true;
            return true;
        });
    }

    // The newest page always stays: it is the one being shown.
    void Send_Oldest_Out_Locked()
    {
        std::size_t pages = 0, bytes = 0;
        for (const T_Held& page : Held)
            if (!page->Leaving) {
                ++pages;
                bytes += std::size_t(page->Picture.sizeInBytes());
            }
        for (const T_Held& page : Held) {
            if (pages <= 1 || (pages <= Max_Held_Pages && bytes <= Max_Held_Bytes))
                break;
            if (page->Leaving)
                continue;
            page->Leaving = true;
            Queue.push_back(page);
            --pages;
            bytes -= std::size_t(page->Picture.sizeInBytes());
        }
        if (!Queue.empty() && !Worker) {
            // Writing out is never waited for by a page switch: it runs when
            // a core is idle (Linux), so as not to slow the drawing of the
            // pages being shown.
            Worker.reset(QThread::create([this] { Write_Out(); }));
            Worker->start(QThread::IdlePriority);
        }
        Wake.notify_one();
    }

    void Write_Out()
    {
        std::unique_lock<std::mutex> lock(Guard);
        for (;;) {
            Wake.wait(lock, [this] { return Stopping || !Queue.empty(); });
            if (Stopping)
                return;
            T_Held page = Queue.front();
            Queue.pop_front();
            Busy = true;
            lock.unlock();
            Send_Out(page);
            lock.lock();
            Busy = false;
            if (Queue.empty())
                Idle.notify_all();
        }
    }

    std::mutex Guard;
    std::list<T_Held> Held;
    std::deque<T_Held> Queue;
    std::condition_variable Wake, Idle;
    bool Busy = false;
    bool Stopping = false;
    std::unique_ptr<QThread> Worker;
};

T_Registry& Registry()
{
    static T_Registry registry;
    return registry;
}

} // namespace

void Hold_Pending_Page(const std::string& File, const QImage& Picture)
{
    Registry().Hold(File, Picture);
}

QImage Pending_Page(const std::string& File) { return Registry().Picture(File); }

bool Is_Pending_Page(const std::string& File) { return Registry().Find(File) != nullptr; }

bool Write_Pending_Page(const std::string& File, std::string* Error)
{
    T_Held page = Registry().Find(File);
    return !page || Registry().Write(page, Error);
}

void Let_Go_Pending_Page(const std::string& File) { Registry().Let_Go(File); }

std::size_t Pending_Page_Count() { return Registry().Held_Count(); }

std::size_t Pending_Page_Bytes() { return Registry().Bytes(); }

void Finish_Pending_Writes() { Registry().Wait_For_Writes(); }

bool Write_Page_Png(const QImage& Picture, const std::string& File, std::string* Error)
{
    QSaveFile file(QString::fromStdString(File));
    QString failure;
    if (!file.open(QIODevice::WriteOnly))
        failure = file.errorString();
    else {
        QImageWriter writer(&file, "png");
        writer.setQuality(Page_Png_Quality);
        if (!writer.write(Picture))
            failure = writer.errorString();
        else if (!file.commit())
            failure = file.errorString();
    }
    if (failure.isEmpty())
        return true;
    file.cancelWriting();
    if (Error)
        *Error = "Cannot write \"" + File + "\": " + failure.toStdString();
    return false;
}
