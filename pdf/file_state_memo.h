// Values read from a file once per state of it (its path, size and time
// written) in a process: what qpdf reads of a PDF's pages is asked for page
// by page, from several threads, by each reader of the pages.
#pragma once

#include "platform/os_platform.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

template <typename T_Value> class T_File_State_Memo {
public:
    explicit T_File_State_Memo(std::function<T_Value(const std::string&)> Read)
        : Read_(std::move(Read))
    {
    }

    // Read's value for File; a file that cannot be looked at is read each time.
    T_Value Of(const std::string& File)
    {
        std::error_code error;
        const std::filesystem::path path = os::Utf8_Path(File);
        const T_State state{File, std::filesystem::file_size(path, error),
                            std::filesystem::last_write_time(path, error)};
        if (error)
            return Read_(File);
        // A file is read once; other files are read meanwhile.
        std::shared_ptr<T_Entry> entry;
        {
            const std::lock_guard guard(Lock_);
            std::shared_ptr<T_Entry>& place = Entries_[state];
            if (!place)
                place = std::make_shared<T_Entry>();
            entry = place;
        }
        std::call_once(entry->Once, [&] { entry->Value = Read_(File); });
        return entry->Value;
    }

private:
    using T_State = std::tuple<std::string, std::uintmax_t, std::filesystem::file_time_type>;
    struct T_Entry {
        std::once_flag Once;
        T_Value Value{};
    };

    std::function<T_Value(const std::string&)> Read_;
    std::mutex Lock_;
    std::map<T_State, std::shared_ptr<T_Entry>> Entries_;
};
