#include "viewer/find_bar.h"

#include "session/comparison_model.h"
#include "viewer/current_change.h"
#include "viewer/pane_grid.h"
#include "viewer/u_pane_image.h"
#include "viewer/vcs_diff_pagelist_frame.h"
#include "viewer/vcs_view_image_frame.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <tuple>

namespace {

const QString No_Text_Layer = QStringLiteral("No text layer");

QRect To_Rect(const T_Rectangle& Box) { return {Box.Left, Box.Top, Box.Width, Box.Height}; }

TView_Image_Frame* Pane_Of(T_Pane_Grid& Panes, T_Side Side)
{
    return Side == T_Side::Left ? Panes.View_Image_Frame1 : Panes.View_Image_Frame2;
}

} // namespace

T_Find_Bar::T_Find_Bar(const T_Diff_View_Context& View)
    : QWidget(&View.View), View_(View), Texts_(std::make_shared<T_Pair_Text_Search>()),
      Search_(this, [this](T_Text_Hits Found) { Show_Hits(std::move(Found)); })
{
    setObjectName(QStringLiteral("Find_Bar"));
    // One line high: the panes keep the window's height.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(new QLabel(QStringLiteral("Find:"), this));
    Field_ = new QLineEdit(this);
    Field_->setObjectName(QStringLiteral("Find_E"));
    Field_->setAccessibleName(QStringLiteral("Find text"));
    Field_->setClearButtonEnabled(true);
    Field_->installEventFilter(this);
    row->addWidget(Field_, 1);
    const std::tuple<const char*, const char*, int> buttons[] = {
        {"Next", "Find_Next_B", 1}, {"Previous", "Find_Previous_B", -1}};
    for (const auto& [caption, name, direction] : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, direction = direction] { Step(direction); });
        row->addWidget(button);
    }
    Message_ = new QLabel(this);
    Message_->setObjectName(QStringLiteral("Find_Message_L"));
    Message_->setMinimumWidth(
        fontMetrics().horizontalAdvance(No_Text_Layer + QStringLiteral("MM")));
    row->addWidget(Message_);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("Close"));
    close->setAccessibleName(QStringLiteral("Close find bar"));
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    row->addWidget(close);
    connect(Field_, &QLineEdit::textChanged, this, [this] { Search(); });
    connect(Field_, &QLineEdit::returnPressed, this, [this] { Step(1); });
    // The outlines follow the pages shown, and a change waits for the
    // differences of the page switched to.
    View_.Current.Add_Listener(this, [this] {
        Show_Outlines();
        Select_Change();
    });
    hide();
}

T_Find_Bar::~T_Find_Bar() = default;

void T_Find_Bar::Open()
{
    show();
    Field_->setFocus(Qt::ShortcutFocusReason);
    Field_->selectAll();
    if (!View_.Model.Session().Has_Text_Layer())
        Say(No_Text_Layer);
}

QString T_Find_Bar::Message() const { return Message_->text(); }

void T_Find_Bar::Say(const QString& Message) { Message_->setText(Message); }

bool T_Find_Bar::eventFilter(QObject* Watched, QEvent* Event)
{
    // Escape closes the bar; it must not reach the window, where it would
    // close the comparison. Shift+Enter goes back.
    if (Watched == Field_ && Event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(Event);
        if (key->key() == Qt::Key_Escape) {
            hide();
            if (View_.Panes.View_Image_Frame1->ScrollBox1)
                View_.Panes.View_Image_Frame1->ScrollBox1->setFocus();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() & Qt::ShiftModifier) {
            Step(-1);
            return true;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void T_Find_Bar::Search()
{
    Query_ = Field_->text();
    Hits_.clear();
    Current_ = -1;
    Change_Pending_ = false;
    Search_.Cancel();
    const T_Diff_Session& session = View_.Model.Session();
    if (!session.Has_Text_Layer()) {
        Say(No_Text_Layer);
        return;
    }
    // What the bar found before is not what it is asked now.
    Say({});
    Show_Outlines();
    if (Query_.trimmed().isEmpty())
        return;
    T_Searched_Side sides[2];
    for (T_Side side : {T_Side::Left, T_Side::Right})
        if (!View_.Model.Missing(side))
            sides[side == T_Side::Left ? 0 : 1] = {session.Text_Layer_File(side),
                                                   session.Pages(side).Count()};
    Search_.Start([texts = Texts_, sides, query = Query_](const T_Cancel_Flag& Cancel) {
        return texts->Find(sides, query, Cancel);
    });
}

void T_Find_Bar::Show_Hits(T_Text_Hits Found)
{
    Hits_ = std::move(Found.Hits);
    if (Hits_.empty()) {
        Say(Found.Any_Text_Layer ? QStringLiteral("Not found") : No_Text_Layer);
        Show_Outlines();
        return;
    }
    Go_To(First_From_Shown_Pages());
}

int T_Find_Bar::First_From_Shown_Pages() const
{
    const T_Diff_Session& session = View_.Model.Session();
    auto shown = [&](const T_Text_Hit& hit) { return hit.Page == session.Page(hit.Side); };
    auto after = [&](const T_Text_Hit& hit) { return hit.Page > session.Page(hit.Side); };
    for (auto wanted : {std::function<bool(const T_Text_Hit&)>(shown), {after}}) {
        const auto found = std::find_if(Hits_.begin(), Hits_.end(), wanted);
        if (found != Hits_.end())
            return int(found - Hits_.begin());
    }
    return 0;
}

void T_Find_Bar::Step(int Direction)
{
    // A search under way goes to its first hit when it arrives.
    if (Field_->text() == Query_ && Searching())
        return;
    if (Field_->text() != Query_ || Hits_.empty()) {
        Search();
        return;
    }
    const int count = int(Hits_.size());
    Go_To(((Current_ + Direction) % count + count) % count);
}

void T_Find_Bar::Go_To(int Index)
{
    Current_ = Index;
    const T_Text_Hit& hit = Hits_[std::size_t(Index)];
    Say(QStringLiteral("%1 of %2").arg(Index + 1).arg(Hits_.size()));
    Change_Pending_ = true;
    if (View_.Model.Session().Page(hit.Side) != hit.Page) {
        // Through the tabs, as a click on one: with Sync pages the other
        // side follows.
        auto* tabs = View_.View.findChild<TDiff_Pagelist_Frame*>(
            hit.Side == T_Side::Left ? QStringLiteral("LeftTabs") : QStringLiteral("RightTabs"));
        if (tabs)
            tabs->Select_Index(hit.Page);
    }
    Show_Outlines();
    Reveal_Hit(hit);
    Select_Change();
}

void T_Find_Bar::Select_Change()
{
    const T_Difference* difference = View_.Model.Differences();
    if (!Change_Pending_ || Current_ < 0 || !difference)
        return;
    const T_Text_Hit& hit = Hits_[std::size_t(Current_)];
    if (View_.Model.Session().Page(hit.Side) != hit.Page)
        return;
    Change_Pending_ = false;
    // Regions are in the base's pixels; the modified page lies at the offset.
    QRect in_base = To_Rect(hit.Box);
    if (hit.Side == T_Side::Right)
        in_base.translate(View_.Panes.Offset());
    for (std::size_t index = 0; index < difference->Regions.size(); ++index) {
        const T_Change_Region& region = difference->Regions[index];
        const QRect box(region.Left + difference->Left, region.Top + difference->Top, region.Width,
                        region.Height);
        if (!box.intersects(in_base))
            continue;
        // The whole change the occurrence lies in, as its row in the list.
        const int change = View_.Current.Change_Of_Region(int(index));
        if (change != View_.Current.Change() || !View_.Current.Whole())
            View_.Current.Choose_Change(change);
        return;
    }
}

void T_Find_Bar::Show_Outlines()
{
    const T_Diff_Session& session = View_.Model.Session();
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        TView_Image_Frame* pane = Pane_Of(View_.Panes, side);
        if (!pane->Image1)
            continue;
        std::vector<QRect> boxes;
        int current = -1;
        for (std::size_t index = 0; index < Hits_.size(); ++index) {
            const T_Text_Hit& hit = Hits_[index];
            if (hit.Side != side || hit.Page != session.Page(side))
                continue;
            if (int(index) == Current_)
                current = int(boxes.size());
            boxes.push_back(To_Rect(hit.Box));
        }
        pane->Image1->Set_Found_Boxes(std::move(boxes), current);
    }
}

void T_Find_Bar::Reveal_Hit(const T_Text_Hit& Hit)
{
    TView_Image_Frame* pane = Pane_Of(View_.Panes, Hit.Side);
    if (!pane->Image1 || !pane->ScrollBox1 || pane->Image1->Content_Rect().isEmpty())
        return;
    const QRect target = pane->Image1->Draw_Rect();
    const QRect content = pane->Image1->Content_Rect();
    const double sx = double(target.width()) / content.width();
    const double sy = double(target.height()) / content.height();
    const QRect box = To_Rect(Hit.Box);
    const QPointF centre(target.left() + (box.center().x() - content.left()) * sx,
                         target.top() + (box.center().y() - content.top()) * sy);
    pane->ScrollBox1->ensureVisible(int(centre.x()), int(centre.y()),
                                    int(box.width() * sx / 2) + 40,
                                    int(box.height() * sy / 2) + 40);
    View_.Panes.Sync_Scroll(pane->ScrollBox1);
}

T_Find_Bar* Add_Find_Bar(const T_Diff_View_Context& Context)
{
    QWidget& View = Context.View;
    auto* bar = new T_Find_Bar(Context);
    auto* find = new QAction(QStringLiteral("Find..."), &View);
    find->setObjectName(QStringLiteral("Find_A"));
    find->setShortcuts(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(find, &QAction::triggered, bar, &T_Find_Bar::Open);
    View.addAction(find);
    const std::pair<const char*, QKeySequence> steps[] = {
        {"Find_Next_A", QKeySequence(Qt::Key_F3)},
        {"Find_Previous_A", QKeySequence(Qt::SHIFT | Qt::Key_F3)}};
    for (const auto& [name, key] : steps) {
        auto* step = new QAction(&View);
        step->setObjectName(QString::fromLatin1(name));
        step->setShortcut(key);
        step->setShortcutContext(Qt::WindowShortcut);
        const int direction = key[0].keyboardModifiers() & Qt::ShiftModifier ? -1 : 1;
        QObject::connect(step, &QAction::triggered, bar, [bar, direction] {
            bar->Open();
            bar->Step(direction);
        });
        View.addAction(step);
    }
    return bar;
}
