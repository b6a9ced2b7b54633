#include "headless/folder_shards.h"

#include <cstdint>

int Shard_Of(const std::string& Relative_Path, int Count)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (char c : Relative_Path) {
        // A Windows path names the same file with either separator.
        hash ^= static_cast<unsigned char>(c == '\\' ? '/' : c);
        hash *= 0x100000001b3u;
    }
    return Count > 0 ? int(hash % std::uint64_t(Count)) + 1 : 1;
}
