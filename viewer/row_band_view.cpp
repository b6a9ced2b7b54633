#include "viewer/row_band_view.h"

#include "viewer/pane_grid.h"
#include "viewer/row_band_marks.h"
#include "viewer/row_pairing.h"
#include "viewer/u_pane_synchronizer.h"
#include "viewer/vcs_view_image_frame.h"

void Show_Row_Bands(T_Pane_Grid& Panes, const T_Alignment* Alignment)
{
    const T_Row_Pairing pairing = Alignment ? T_Row_Pairing(*Alignment) : T_Row_Pairing();
    T_Band_Marks marks = Alignment ? Band_Marks(*Alignment, pairing) : T_Band_Marks();
    if (TPane_Image* image = Panes.View_Image_Frame1->Image1)
        image->Set_Row_Marks(std::move(marks.Base));
    if (TPane_Image* image = Panes.View_Image_Frame2->Image1)
        image->Set_Row_Marks(std::move(marks.Modified));
    Panes.Synchronizer().Pair_Rows(pairing, Panes.View_Image_Frame2);
}
