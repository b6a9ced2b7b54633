// The parts a folder pair's files are split into, so that several machines
// (or CI jobs) compare one part each. A file's part follows from its path
// in the folders alone: the same on every machine and in every run, and
// unchanged when other files come or go.
#pragma once

#include <string>

// The part (1 to Count) of the file at Relative_Path ("sub/plan.png"): the
// 64-bit FNV-1a hash of the path's bytes, "/" between folders, modulo Count.
int Shard_Of(const std::string& Relative_Path, int Count);
