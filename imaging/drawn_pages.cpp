#include "imaging/drawn_pages.h"

#include <deque>
#include <mutex>
#include <utility>

namespace {

// Two panes take one page each; a few more cover pages drawn meanwhile.
constexpr std::size_t Kept_Pages = 4;

std::mutex Guard;
std::deque<std::pair<std::string, QImage>> Kept;

} // namespace

void Keep_Drawn_Page(const std::string& File, const QImage& Picture)
{
    std::lock_guard<std::mutex> lock(Guard);
    std::erase_if(Kept, [&](const auto& page) { return page.first == File; });
    Kept.emplace_back(File, Picture);
    while (Kept.size() > Kept_Pages)
        Kept.pop_front();
}

QImage Take_Drawn_Page(const std::string& File)
{
    std::lock_guard<std::mutex> lock(Guard);
    for (auto page = Kept.begin(); page != Kept.end(); ++page)
        if (page->first == File) {
            QImage picture = std::move(page->second);
            Kept.erase(page);
            return picture;
        }
    return {};
}
