#include "vcs_diff_form.h"

#include "U_About_Varnolt.h"
#include "change_list.h"
#include "diff_keyboard_access.h"
#include "diff_menu_bar.h"
#include "fit_when_opened.h"
#include "vcs_diff_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

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
    Add_Fit_When_Opened_Action(*View);
    Fit_If_Chosen(*View);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Diff_Splitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(View);
    Change_List = new T_Change_List(*View, splitter);
    splitter->addWidget(Change_List);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    View->Add_To_Changes_Row(Change_List->Toggle_Action());
    layout->addWidget(splitter);
    QMenuBar* menus = Build_Diff_Menu_Bar(this, View, {[this] { Quit(); }});
    // The change list's toggle goes with the other views' commands.
    for (QAction* menu : menus->actions())
        if (menu->menu() && menu->text().remove(QLatin1Char('&')) == QStringLiteral("View"))
            menu->menu()->addAction(Change_List->Toggle_Action());
    layout->setMenuBar(menus);
    Make_Diff_View_Accessible(View);
    On_Quit = [] { QTimer::singleShot(0, qApp, [] { QApplication::closeAllWindows(); }); };
}

void TDiff_F::Quit()
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

bool Show_Diff_Form(const std::string& left, const std::string& left_caption,
                    const std::string& right, const std::string& right_caption,
                    T_Converter_Kind converter_kind, T_Paged_Kind paged_kind)
{
    TDiff_F window(left, left_caption, right, right_caption, converter_kind, paged_kind);
    if (window.View->ViewMode() == T_View_Mode::None)
        return window.View->Open_Stopped();
    // Without a window manager nothing maximizes the window; covering the
    // screen's free area first gives the same result there.
    if (QScreen* screen = window.screen())
        window.setGeometry(screen->availableGeometry());
    window.setWindowState(Qt::WindowMaximized);
    window.exec();
    return true;
}
