#include "vcs_diff_form.h"

#include "U_About_Varnolt.h"
#include "vcs_diff_frame.h"

#include <QCloseEvent>
#include <QScreen>
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
    layout->addWidget(View);
}

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
