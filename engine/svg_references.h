// A copy of an SVG drawing that the converter can render without reading
// any file the drawing has no business showing.
//
// The converter's SVG renderer reads whatever a drawing references: a
// picture anywhere on the disk, a file through a "file:" address or a
// nested drawing, resolving relative names against the current folder.
// The copy keeps only references to pictures in the drawing's own folder
// (or below it), written as absolute paths.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Writes to `output` a copy of the SVG `svg_file` in which:
// - references (href of any prefix, on any element) to raster pictures
//   that lie, after links are resolved, in the folder of `svg_file` or below
//   it are written as absolute paths;
// - a referenced SVG in that folder is made safe the same way, to a file
//   named by `private_name(".svg")`, and the reference points to that copy
//   (at most 8 levels deep, no cycles);
// - every other reference (elsewhere on the disk, "..", missing files,
//   files that are neither raster pictures nor SVGs, network and other
//   addresses, "@" lists, compressed or unreadable SVGs, data: addresses
//   holding anything but a raster picture) is replaced by a transparent
//   1 x 1 PNG, and its text added to `refused`;
// - "#id" references and data: raster pictures stay as they are;
// - url(...) in styles and presentation attributes may only name "#id" or a
//   data: raster picture, CSS @import rules are removed, as are
//   <?xml-stylesheet?> instructions and DOCTYPE declarations with an
//   external identifier or an internal subset (entities, default
//   attributes); references to the removed entities stay as plain text.
// Everything else is copied byte for byte. Text in UTF-16 is written as
// UTF-8; other encodings than UTF-8, ASCII and the ISO 8859 and Windows
// single-byte code pages are refused.
// Returns false with a reason in `error` when the SVG cannot be read or is
// malformed (the converter fails on malformed XML too), or the copy cannot
// be written.
bool Write_Safe_Svg(const std::string& svg_file, const std::string& output,
                    const std::function<std::string(const std::string& suffix)>& private_name,
                    std::vector<std::string>& refused, std::string& error);

// The transparent 1 x 1 PNG that stands in for every refused reference.
extern const char* const Refused_Reference_Picture;
