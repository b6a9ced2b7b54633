#include "app/gui/vcs_diff_form.h"

#include "app/gui/U_About_Varnolt.h"
#include "app/gui/U_Varnolt_File_Select.h"
#include "vocabulary/U_Msg.h"
#include "viewer/change_list.h"
#include "viewer/compared_image_clipboard.h"
#include "viewer/diff_keyboard_access.h"
#include "viewer/diff_menu_bar.h"
#include "viewer/file_change_bar.h"
#include "viewer/find_bar.h"
#include "viewer/fit_when_opened.h"
#include "app/gui/pair_drop.h"
#include "viewer/page_indicator.h"
#include "viewer/pane_name_line.h"
#include "viewer/recent_pairs.h"
#include "viewer/remembered_view_settings.h"
#include "viewer/vcs_diff_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>
#include <utility>

TDiff_F::TDiff_F(const std::string& left, const std::string& left_caption, const std::string& right,
                 const std::string& right_caption, T_Converter_Kind converter_kind,
                 T_Paged_Kind paged_kind, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Diff"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setMinimumSize(400, 200);
    setGeometry(0, 0, 400, 200);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    View = new TView_diff_frame(
        this, left, left_caption, right, right_caption, [this](QObject*) { close(); },
        converter_kind, paged_kind);
    View->About_Handler = Show_About;
    // A pair converted first opens in the background: what surrounds the
    // view is built once it is open, as it is at once for other pairs.
    View->When_Opened([this, left, right] { Build_Around_View(left, right); });
}

void TDiff_F::Build_Around_View(const std::string& left, const std::string& right)
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    Add_Copy_Compared_Action(*View);
    Add_Fit_When_Opened_Action(*View);
    Fit_If_Chosen(View->Context());
    Add_Page_Indicator(View->Context());
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Diff_Splitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(View);
    Change_List = new T_Change_List(View->Context(), splitter);
    splitter->addWidget(Change_List);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    View->Add_To_Changes_Row(Change_List->Toggle_Action());
    Remember_View_Settings(*View, View->Model(), *Change_List, *splitter);
    layout->addWidget(splitter);
    // The find bar spans the panes and the change list, under both.
    if (View->Find_Bar())
        layout->addWidget(View->Find_Bar());
    using T_Kind = T_Pair_Request::T_Kind;
    T_Diff_Menu_Hooks menu_hooks;
    menu_hooks.Quit = [this] { Quit_Program(); };
    menu_hooks.Open_Pair = [this] { Open_Other_Pair(); };
    menu_hooks.Swap_Sides = [this] { Request_Pair({T_Kind::Swap, {}, {}}); };
    menu_hooks.Reload = [this] { Request_Pair({T_Kind::Reload, {}, {}}); };
    menu_hooks.Open_Recent = [this](const T_Recent_Pair& pair) {
        Request_Pair({T_Kind::Open, pair.Left.toStdString(), pair.Right.toStdString()});
    };
    QMenuBar* menus = Build_Diff_Menu_Bar(this, View, menu_hooks);
    menus->setAccessibleName(QStringLiteral("Menu bar"));
    // The change list's toggle goes with the other views' commands.
    for (QAction* menu : menus->actions())
        if (menu->menu() && menu->text().remove(QLatin1Char('&')) == QStringLiteral("View"))
            menu->menu()->addAction(Change_List->Toggle_Action());
    layout->setMenuBar(menus);
    Make_Diff_View_Accessible(View);
    // A drop is handled once the drag has ended: what it opens may ask
    // questions in a window of its own.
    new T_Pair_Drop_Target(
        this,
        [this](QPoint at) {
            auto* base = View->findChild<QWidget*>(QStringLiteral("View_Image_Frame1"));
            return base && base->isVisible() && base->rect().contains(base->mapFrom(this, at))
                       ? T_Drop_Side::Base
                       : T_Drop_Side::Modified;
        },
        [this](const T_Pair_Drop& drop) {
            QTimer::singleShot(0, this, [this, drop] { Pair_Dropped(drop); });
        });
    Set_User_Pair(left, right);
    On_Quit = [] { QTimer::singleShot(0, qApp, [] { QApplication::closeAllWindows(); }); };
}

void TDiff_F::Set_User_Pair(const std::string& Left, const std::string& Right)
{
    User_Left = Left;
    User_Right = Right;
    Show_Pane_File_Names(*View, Left, Right);
    delete Change_Bar;
    Change_Bar =
        new T_File_Change_Bar(this, QString::fromStdString(Left), QString::fromStdString(Right));
    Change_Bar->On_Reload = [this] { Request_Pair({T_Pair_Request::T_Kind::Reload, {}, {}}); };
    // Above the panes, under the menu bar.
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, Change_Bar);
}

bool TDiff_F::Request_Pair(const T_Pair_Request& Request)
{
    if (View->Is_Running()) {
        Show_Msg("Please wait until the work in progress has finished, or cancel it, then try "
                 "again.");
        return false;
    }
    Next_Request = Request;
    Reopen_State = Capture_Reopen_State(*this, *View);
    close();
    return true;
}

void TDiff_F::Pair_Dropped(const T_Pair_Drop& Drop)
{
    using T_Kind = T_Pair_Drop::T_Kind;
    const std::string first = Drop.First.toStdString();
    switch (Drop.Kind) {
    case T_Kind::Refused:
        Show_Msg(Drop.Reason.toStdString());
        return;
    case T_Kind::Pair:
        Request_Pair({T_Pair_Request::T_Kind::Open, first, Drop.Second.toStdString()});
        return;
    case T_Kind::Base:
        Request_Pair({T_Pair_Request::T_Kind::Open, first, User_Right});
        return;
    case T_Kind::Modified:
        Request_Pair({T_Pair_Request::T_Kind::Open, User_Left, first});
        return;
    }
}

void TDiff_F::Open_Other_Pair()
{
    // The dialog starts with the pair shown; the window closes only once
    // another pair has been chosen.
    std::string left = User_Left;
    std::string right = User_Right;
    if (Select_Files(left, right))
        Request_Pair({T_Pair_Request::T_Kind::Open, left, right});
}

void TDiff_F::Quit_Program()
{
    Quitting = true;
    close();
}

TDiff_F::~TDiff_F()
{
    // The list reads the view; it goes first.
    delete Change_List;
}

QAction* TDiff_F::Change_List_Action() const { return Change_List->Toggle_Action(); }

void TDiff_F::closeEvent(QCloseEvent* event)
{
    // A converter run may be going: the view stops its child and, once the
    // run has reported, closes the window through its own close handler.
    if (View && View->Is_Running()) {
        View->Request_Close();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
    if (Quitting && event->isAccepted() && On_Quit) {
        Quitting = false;
        On_Quit();
    }
}

void TDiff_F::reject()
{
    // Escape and the title-bar button end up here: route them through close.
    if (View && View->Is_Running()) {
        View->Request_Close();
        return;
    }
    QDialog::reject();
}

namespace {

// Between one window and the next of a sequence (see Run_Diff_Sequence).
std::optional<std::pair<std::string, std::string>> Announced_Pair;
// Run once the next window is on the screen (see Expect_Diff_Form_Up).
std::function<void()> Window_Up_Handler;
T_Pair_Request Pending_Request;
std::optional<T_Reopen_State> Pending_State;
// The request that made the window of Pending_State go.
T_Pair_Request::T_Kind Pending_Kind = T_Pair_Request::T_Kind::None;
bool Last_Version_Unread = false;

} // namespace

void Announce_Diff_Pair(const std::string& left, const std::string& right)
{
    Announced_Pair = {left, right};
}

T_Pair_Request Take_Diff_Form_Request()
{
    T_Pair_Request request = std::exchange(Pending_Request, {});
    if (request.Kind == T_Pair_Request::T_Kind::None)
        Pending_State.reset();
    return request;
}

void Expect_Diff_Form_Up(std::function<void()> Up) { Window_Up_Handler = std::move(Up); }

bool Last_Diff_Form_Version_Unread() { return Last_Version_Unread; }

bool Show_Diff_Form(const std::string& left, const std::string& left_caption,
                    const std::string& right, const std::string& right_caption,
                    T_Converter_Kind converter_kind, T_Paged_Kind paged_kind)
{
    Last_Version_Unread = false;
    TDiff_F window(left, left_caption, right, right_caption, converter_kind, paged_kind);
    // A pair converted first opens in the background, the window hidden
    // until it is open; the progress window offers Cancel meanwhile.
    if (window.View->Opening()) {
        QEventLoop opening;
        window.View->When_Opened([&opening] { opening.quit(); });
        opening.exec();
    }
    if (Announced_Pair)
        window.Set_User_Pair(Announced_Pair->first, Announced_Pair->second);
    Announced_Pair.reset();
    std::function<void()> up = std::exchange(Window_Up_Handler, {});
    // A window that failed leaves the place of the one before it to the
    // window that opens instead.
    if (window.View->ViewMode() == T_View_Mode::None)
        return window.View->Open_Stopped();
    if (Pending_State) {
        Restore_Placement(window, *Pending_State);
        // Other files keep only the window's place.
        using T_Kind = T_Pair_Request::T_Kind;
        if (Pending_Kind == T_Kind::Reload || Pending_Kind == T_Kind::Swap)
            Restore_View(*window.View, *Pending_State, Pending_Kind == T_Kind::Swap);
        Pending_State.reset();
    } else {
        // Without a window manager nothing maximizes the window; covering
        // the screen's free area first gives the same result there.
        if (QScreen* screen = window.screen())
            window.setGeometry(screen->availableGeometry());
        window.setWindowState(Qt::WindowMaximized);
    }
    if (up)
        QTimer::singleShot(0, &window, up);
    window.exec();
    Last_Version_Unread = window.View->Version_Unread();
    Pending_Request = window.Next_Request;
    if (Pending_Request.Kind != T_Pair_Request::T_Kind::None) {
        Pending_State = window.Reopen_State;
        Pending_Kind = Pending_Request.Kind;
    }
    return true;
}
