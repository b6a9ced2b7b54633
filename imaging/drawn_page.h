// A page drawn with the toolkit, as a page store holds it: the picture, and
// its PNG written with the compression drawn pages use.
#pragma once

#include "imaging/page_store.h"

#include <QImage>

#include <string>

// Picture as a page store's page.
T_Page_Picture_Ptr Drawn_Page(const QImage& Picture);

// The picture of a page drawn with the toolkit; null for none.
QImage Drawn_Page_Image(const T_Page_Picture_Ptr& Page);

// The picture of the page of Pages that File names while it is in memory;
// null when Pages is null, File is none of its pages, or the page is not in
// memory.
QImage Page_In_Memory(const T_Page_Store* Pages, const std::string& File);

// Writes Picture as a PNG named File with the compression the drawn pages
// use, under a temporary name renamed at the end. False with Error when it
// could not be written (no file is left then).
bool Write_Page_Png(const QImage& Picture, const std::string& File, std::string* Error = nullptr);
