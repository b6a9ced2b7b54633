// Converting a large picture to another pixel layout on the caller's own
// threads. Qt hands the conversion of a large picture to its shared thread
// pool, the pool the window's painting also waits on: a comparison
// converting two 8000 x 6000 pictures in the background would hold every
// paint of the window until it is done.
#pragma once

#include <QImage>

// The picture in `Format`, pixel for pixel what QImage::convertToFormat
// gives, made in strips small enough that Qt converts each one inline, the
// strips shared among up to `Threads` threads. A null picture when memory
// for the result cannot be had.
QImage Converted_Privately(const QImage& Picture, QImage::Format Format, unsigned Threads = 0);
