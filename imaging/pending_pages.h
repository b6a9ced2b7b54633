// Pages drawn in memory whose PNG is written only when something reads the
// page by its file name (the converter, a decoder after the picture was let
// go). Showing and comparing a page needs no file: the panes and the
// difference engine take the picture from here.
//
// The set is bounded: beyond a few pages (or a budget of memory) the oldest
// is written out on a worker thread and let go, so that a page the user
// returns to is decoded from its file (or, where the file could not be
// written, drawn again). Files are written whole under a
// temporary name and renamed, so that a file that exists is complete.
// Safe from several threads.
#pragma once

#include <QImage>

#include <cstddef>
#include <string>

// Holds Picture as the page that File will hold once written. A page held
// under the same name before is replaced.
void Hold_Pending_Page(const std::string& File, const QImage& Picture);

// The picture of a pending page (kept pending); null when File is not one.
QImage Pending_Page(const std::string& File);

// True while File is held and not yet written.
bool Is_Pending_Page(const std::string& File);

// Writes File if it is pending and lets the picture go. True when File was
// not pending or is written now; false with Error when writing failed (the
// page then stays pending).
bool Write_Pending_Page(const std::string& File, std::string* Error = nullptr);

// Lets a pending page go without writing it: nobody will read it by name
// (a page asked for again is drawn again).
void Let_Go_Pending_Page(const std::string& File);

// How many pages are held and how many bytes their pictures take, pages on
// their way to the disk included.
std::size_t Pending_Page_Count();
std::size_t Pending_Page_Bytes();

// Waits until the pages being written out have been written.
void Finish_Pending_Writes();

// Writes Picture as a PNG named File with the compression the drawn pages
// use, under a temporary name renamed at the end. False with Error when it
// could not be written (no file is left then).
bool Write_Page_Png(const QImage& Picture, const std::string& File, std::string* Error = nullptr);
