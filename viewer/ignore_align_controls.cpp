#include "viewer/ignore_align_controls.h"

#include "viewer/change_navigator.h"
#include "vocabulary/U_Msg.h"
#include "session/comparison_model.h"
#include "viewer/diff_status_line.h"
#include "differences/ignore_areas.h"
#include "imaging/ignore_mask.h"
#include "viewer/pane_grid.h"
#include "viewer/row_band_view.h"
#include "viewer/u_blend_frame.h"
#include "viewer/u_file_dialog.h"
#include "viewer/u_pane_image.h"
#include "viewer/vcs_view_image_frame.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr T_Align_Mode Align_Modes[] = {T_Align_Mode::Off, T_Align_Mode::Shift,
                                        T_Align_Mode::Bands};

// A mask region is built from its rows' runs of ignored pixels.
void Add_Mask_Runs(const T_Ignore_Mask& Mask, std::vector<QRect>& Rects)
{
    for (int y = 0; y < Mask.Height; ++y) {
        const std::uint8_t* row = Mask.Ignored.data() + std::size_t(y) * std::size_t(Mask.Width);
        int x = 0;
        while (x < Mask.Width) {
            while (x < Mask.Width && row[x] == 0)
                ++x;
            const int start = x;
            while (x < Mask.Width && row[x] != 0)
                ++x;
            if (x > start)
                Rects.emplace_back(start, y, x - start, 1);
        }
    }
}

} // namespace

QRegion Ignored_Region(const T_Ignore_Areas& Areas)
{
    std::vector<QRect> rects;
    for (const T_Ignore_Rectangle& rectangle : Areas.Rectangles)
        rects.emplace_back(rectangle.Left, rectangle.Top, rectangle.Width, rectangle.Height);
    if (Areas.Mask)
        Add_Mask_Runs(*Areas.Mask, rects);
    QRegion region;
    for (const QRect& rect : rects)
        region += rect;
    return region;
}

T_Ignore_Align_Controls::T_Ignore_Align_Controls(QToolBar& Row, T_Pane_Grid& Panes,
                                                 T_Change_Navigator& Changes,
                                                 T_Diff_Status_Line& Status_Line,
                                                 std::function<void()> Refresh)
    : Open_Dialog(std::make_unique<T_File_Dialog>(T_File_Dialog::T_Kind::Open)), Panes_(Panes),
      Changes_(Changes), Status_Line_(Status_Line), Refresh_(std::move(Refresh)),
      Alive_(std::make_unique<QObject>())
{
    Open_Dialog->Filter = QStringLiteral("Ignore regions (*.txt *.png);;All files (*)");

    Row.addSeparator();
    Ignore_B = new QToolButton(&Row);
    Ignore_B->setObjectName(QStringLiteral("Ignore_B"));
    Ignore_B->setAccessibleName(QStringLiteral("Ignore regions"));
    const QString ignore_tip(QStringLiteral(
        "Leave parts of the pictures out of the differences: a text file of X,Y,W,H lines in "
        "the base's pixels, or a mask picture whose opaque pixels are left out"));
    Ignore_B->setPopupMode(QToolButton::MenuButtonPopup);
    Ignore_B->setFocusPolicy(Qt::TabFocus);
    auto* menu = new QMenu(Ignore_B);
    Load_Ignore_A = menu->addAction(QStringLiteral("Ignore regions..."));
    Load_Ignore_A->setObjectName(QStringLiteral("Load_Ignore_A"));
    Clear_Ignore_A = menu->addAction(QStringLiteral("Clear ignore regions"));
    Clear_Ignore_A->setObjectName(QStringLiteral("Clear_Ignore_A"));
    Clear_Ignore_A->setEnabled(false);
    Ignore_B->setMenu(menu);
    Load_Ignore_A->setToolTip(ignore_tip);
    Ignore_B->setDefaultAction(Load_Ignore_A);
    Row.addWidget(Ignore_B);
    QObject::connect(Load_Ignore_A, &QAction::triggered, Ignore_B,
                     [this] { Choose_Ignore_File(); });
    QObject::connect(Clear_Ignore_A, &QAction::triggered, Ignore_B, [this] { Clear_Ignore(); });

    Align_C = new QComboBox(&Row);
    Align_C->setObjectName(QStringLiteral("Align_C"));
    Align_C->setAccessibleName(QStringLiteral("Align"));
    Align_C->setToolTip(QStringLiteral(
        "Lay the modified picture on the base before comparing: moved (and, for scans, scaled "
        "or turned), or with bands of rows inserted and removed as well"));
    Align_C->addItem(QStringLiteral("Align: off"),
                     QString::fromLatin1(Align_Mode_Word(T_Align_Mode::Off)));
    Align_C->addItem(QStringLiteral("Align: shift"),
                     QString::fromLatin1(Align_Mode_Word(T_Align_Mode::Shift)));
    Align_C->addItem(QStringLiteral("Align: shift and bands"),
                     QString::fromLatin1(Align_Mode_Word(T_Align_Mode::Bands)));
    Row.addWidget(Align_C);
    QObject::connect(Align_C, &QComboBox::currentIndexChanged, Align_C, [this] { Align_Chosen(); });

    Status_Line.Notes.push_back([this] { return Ignore_Status(); });
    Status_Line.Notes.push_back([this] { return Align_Status(); });
    Changes_.Add_Listener(Alive_.get(), [this] { Follow_Differences(); });
}

T_Ignore_Align_Controls::~T_Ignore_Align_Controls() { Status_Line_.Notes.clear(); }

QWidget* T_Ignore_Align_Controls::View() const { return Ignore_B->window(); }

void T_Ignore_Align_Controls::Choose_Ignore_File()
{
    if (!Open_Dialog->Execute(View()))
        return;
    Load_Ignore(Open_Dialog->FileName);
}

bool T_Ignore_Align_Controls::Load_Ignore(const QString& Path)
{
    if (!Model_)
        return false;
    T_Ignore_Areas areas;
    std::string error;
    const std::string path = Path.toStdString();
    // A picture is a mask; anything else is read as rectangles, whose
    // reader says what is wrong with a file that is neither.
    const bool picture = !QImageReader::imageFormat(Path).isEmpty();
    bool loaded =
        picture ? Load_Ignore_Mask(path, areas, error) : Load_Ignore_File(path, areas, error);
    if (loaded && picture) {
        const T_Loaded_Picture& base = Model_->Picture(T_Side::Left);
        error = areas.Mask_Mismatch(base.Image.width(), base.Image.height());
        loaded = error.empty();
    }
    if (loaded && areas.Empty()) {
        error = "it holds no region";
        loaded = false;
    }
    if (!loaded) {
        const QString reason = QString::fromStdString(error);
        // The engine's reasons mostly name the file already.
        Show_Error((reason.contains(QFileInfo(Path).fileName())
                        ? QStringLiteral("The ignore regions could not be loaded: %1").arg(reason)
                        : QStringLiteral("The ignore regions could not be loaded from %1: %2")
                              .arg(Path, reason))
                       .toStdString());
        return false;
    }
    Model_->Ignore = std::move(areas);
    Ignored_ = Ignored_Region(Model_->Ignore);
    Clear_Ignore_A->setEnabled(true);
    Refresh_();
    return true;
}

void T_Ignore_Align_Controls::Clear_Ignore()
{
    if (!Model_)
        return;
    Model_->Ignore = T_Ignore_Areas();
    Ignored_ = QRegion();
    Clear_Ignore_A->setEnabled(false);
    Refresh_();
}

int T_Ignore_Align_Controls::Ignore_Count() const
{
    if (!Model_)
        return 0;
    return int(Model_->Ignore.Rectangles.size()) + (Model_->Ignore.Mask ? 1 : 0);
}

void T_Ignore_Align_Controls::Align_Chosen()
{
    if (!Model_)
        return;
    Model_->Align_Mode = Align_Modes[std::max(0, Align_C->currentIndex())];
    // The user's own offset stays; one the alignment set goes with it.
    if (Model_->Align_Mode == T_Align_Mode::Off && Offset_From_Alignment)
        Panes_.Set_Offset(QPoint());
    Offset_From_Alignment = false;
    Refresh_();
}

void T_Ignore_Align_Controls::Follow_Differences()
{
    if (Following || !Model_)
        return;
    Following = true;
    if (const T_Aligned_Difference* aligned = Model_->Aligned(); aligned != Applied_) {
        Applied_ = aligned;
        Apply_Alignment(aligned);
    }
    Mark_Ignored();
    Following = false;
}

void T_Ignore_Align_Controls::Apply_Alignment(const T_Aligned_Difference* Aligned)
{
    // Until the differences are known the one-pane views show the modified
    // picture as it is: a redrawn one may belong to other pictures.
    Show_Row_Bands(Panes_, Aligned ? &Aligned->Alignment : nullptr);
    if (!Aligned || Aligned->Alignment.Mode == T_Align_Mode::Off || !Aligned->Alignment.Aligned) {
        if (!Panes_.Aligned_Modified().isNull())
            Panes_.Set_Aligned_Modified(QImage());
        return;
    }
    QPoint offset;
    QImage redrawn;
    if (Aligned->Aligned_Pixels.empty()) {
        // A whole-pixel shift: the modified picture is shown moved, as the
        // user's own offset moves it.
        offset = QPoint(-int(std::lround(Aligned->Alignment.Dx)),
                        -int(std::lround(Aligned->Alignment.Dy)));
    } else {
        redrawn = QImage(reinterpret_cast<const uchar*>(Aligned->Aligned_Pixels.data()),
                         Aligned->Aligned_Width, Aligned->Aligned_Height,
                         Aligned->Aligned_Width * 4, QImage::Format_ARGB32)
                      .copy();
    }
    Offset_From_Alignment = true;
    if (Panes_.Offset() != offset)
        Panes_.Set_Offset(offset);
    Panes_.Set_Aligned_Modified(redrawn);
    // The modified pane's outlines follow the offset.
    Changes_.Show_Change_Frames();
}

void T_Ignore_Align_Controls::Mark_Ignored()
{
    for (TView_Image_Frame* pane : {Panes_.View_Image_Frame1, Panes_.View_Image_Frame3,
                                    static_cast<TView_Image_Frame*>(Panes_.View_Image_Frame4)})
        if (pane->Image1 && pane->Image1->Ignored() != Ignored_)
            pane->Image1->Set_Ignored(Ignored_);
    // The regions are in the base's pixels; the modified pane shows its own.
    const QRegion shifted = Ignored_.translated(-Panes_.Offset());
    if (TPane_Image* image = Panes_.View_Image_Frame2->Image1; image && image->Ignored() != shifted)
        image->Set_Ignored(shifted);
}

QString T_Ignore_Align_Controls::Ignore_Status() const
{
    const int count = Ignore_Count();
    if (count == 0)
        return {};
    return count == 1 ? QStringLiteral("1 ignore region")
                      : QStringLiteral("%1 ignore regions").arg(count);
}

QString T_Ignore_Align_Controls::Align_Status() const
{
    if (!Model_ || Model_->Align_Mode == T_Align_Mode::Off)
        return {};
    const T_Aligned_Difference* aligned = Model_->Aligned();
    if (!aligned)
        return QStringLiteral("Aligning...");
    return QString::fromStdString(aligned->Alignment.Summary());
}
