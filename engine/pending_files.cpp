#include "engine/pending_files.h"

#include "platform/os_platform.h"

#include <mutex>

namespace {

std::mutex Guard;
T_Pending_Files Registered;

T_Pending_Files Holder()
{
    std::lock_guard<std::mutex> lock(Guard);
    return Registered;
}

} // namespace

void Register_Pending_Files(T_Pending_Files Files)
{
    std::lock_guard<std::mutex> lock(Guard);
    Registered = std::move(Files);
}

bool Exists_Or_Pending(const std::string& File)
{
    if (os::File_Exists(File))
        return true;
    const T_Pending_Files holder = Holder();
    return holder.Is_Pending && holder.Is_Pending(File);
}

bool Materialise_File(const std::string& File, std::string* Error)
{
    const T_Pending_Files holder = Holder();
    std::string error;
    if (!holder.Write || holder.Write(File, error))
        return true;
    if (Error)
        *Error = error;
    return false;
}
