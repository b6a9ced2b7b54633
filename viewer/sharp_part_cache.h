// The sharp parts of pages drawn for a zoomed-in view, kept so that going
// back to a place, or scrolling within a part, draws nothing again. Bounded
// by the bytes of its pictures: the least recently used go first.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <list>
#include <string>

// Which drawing a part belongs to: a page of a document drawn whole at a
// size (in the control's pixels, at the screen's pixel ratio).
struct T_Sharp_Key {
    std::string File;
    int Page = -1;
    QSize Drawn;
    double Pixel_Ratio = 1;
    bool operator==(const T_Sharp_Key&) const = default;
};

struct T_Sharp_Part {
    T_Sharp_Key Key;
    QRect Where; // in the control's pixels
    QImage Part;
};

class T_Sharp_Part_Cache {
public:
    // 64 MiB: at a 2560 x 1440 view a part is some 14 MiB, so the parts of
    // both panes and a few earlier places stay.
    static constexpr std::size_t Default_Bytes = std::size_t(64) << 20;

    explicit T_Sharp_Part_Cache(std::size_t Bound_Bytes = Default_Bytes) : Bound_(Bound_Bytes) {}

    // A part of Key's drawing that covers Visible; null when none is kept.
    const T_Sharp_Part* Find(const T_Sharp_Key& Key, const QRect& Visible);
    // Keeps Part, dropping the least recently used parts beyond the bound;
    // a part larger than the bound is not kept.
    void Add(T_Sharp_Part Part);
    std::size_t Bytes() const { return Bytes_; }
    std::size_t Count() const { return Parts_.size(); }

private:
    std::size_t Bound_;
    std::size_t Bytes_ = 0;
    std::list<T_Sharp_Part> Parts_; // most recently used first
};
