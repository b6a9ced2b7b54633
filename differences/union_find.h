// Sets of items that are joined pair by pair (regions of one edit, words of
// one line), each known by its root item. Internal to the difference engine.
#pragma once

#include <cstddef>
#include <numeric>
#include <vector>

namespace differences {

class T_Union_Find {
public:
    explicit T_Union_Find(std::size_t Count) : Parent_(Count)
    {
        std::iota(Parent_.begin(), Parent_.end(), 0);
    }
    std::size_t Find(std::size_t Item)
    {
        while (Parent_[Item] != Item)
            Item = Parent_[Item] = Parent_[Parent_[Item]];
        return Item;
    }
    void Join(std::size_t A, std::size_t B) { Parent_[Find(A)] = Find(B); }

private:
    std::vector<std::size_t> Parent_;
};

} // namespace differences
