#include "viewer/sharp_part_cache.h"

namespace {

std::size_t Bytes_Of(const T_Sharp_Part& Part) { return std::size_t(Part.Part.sizeInBytes()); }

} // namespace

const T_Sharp_Part* T_Sharp_Part_Cache::Find(const T_Sharp_Key& Key, const QRect& Visible)
{
    for (auto part = Parts_.begin(); part != Parts_.end(); ++part)
        if (part->Key == Key && part->Where.contains(Visible)) {
            Parts_.splice(Parts_.begin(), Parts_, part);
            return &Parts_.front();
        }
    return nullptr;
}

void T_Sharp_Part_Cache::Add(T_Sharp_Part Part)
{
    const std::size_t bytes = Bytes_Of(Part);
    if (bytes > Bound_)
        return;
    while (!Parts_.empty() && Bytes_ + bytes > Bound_) {
        Bytes_ -= Bytes_Of(Parts_.back());
        Parts_.pop_back();
    }
    Bytes_ += bytes;
    Parts_.push_front(std::move(Part));
}
