// Page switches drawn away from the window's thread. The tabs move at once
// and the panes show a blank sheet of the new page's size, while the pages
// are drawn before any other document work; only the last switch asked for
// is drawn and shown, so that keys pressed faster than pages are drawn do
// not queue up behind each other.
#pragma once

#include "session/comparison_model.h"
#include "session/latest_task.h"

#include <QImage>

#include <functional>

class QObject;

class T_Page_Switch {
public:
    // Shown runs on Receiver's thread with the pages of the last request.
    T_Page_Switch(QObject* Receiver, T_Comparison_Model& Model,
                  std::function<void(T_Drawn_Pages)> Shown);

    // Draws a page of each side (negative: that side stays); what was asked
    // before and has not arrived is dropped.
    void Request(int Left_Page, int Right_Page);
    // Nothing asked before arrives.
    void Cancel() { Task_.Cancel(); }
    // From Request until its pages are shown or dropped.
    bool Busy() const { return Task_.Busy(); }

private:
    T_Comparison_Model& Model_;
    T_Latest_Task<T_Drawn_Pages> Task_;
};

// What a pane shows while its page is drawn: a light grey sheet of the
// page's size where the document gives it, else of Fallback's size.
QImage Page_Placeholder(const T_Diff_Session& Session, T_Side Side, int Page,
                        const QSize& Fallback);
