// The signature of a page from its picture as the panes show it, for
// pairing pages by what they show: drawn PDF pages and the pages a drawing's
// application exported alike.
#pragma once

#include "differences/page_pairing.h"

#include <QImage>

// The picture on white (its transparent parts count as paper), reduced to
// its ink, with a hash of its pixels: equal hashes mean equal pictures. A
// null picture gives the signature of a blank page without a hash.
T_Page_Signature Picture_Signature(const QImage& Picture);
