// Pages just drawn and written as PNG, kept in memory for the pane that
// shows them next, so that a page is not decoded again right after it was
// drawn.
#pragma once

#include <QImage>

#include <string>

// Keeps the picture written as File (a few at most, the oldest go first).
void Keep_Drawn_Page(const std::string& File, const QImage& Picture);

// The picture written as File while it is kept, which then lets it go; a
// null picture otherwise. Safe from several threads.
QImage Take_Drawn_Page(const std::string& File);
