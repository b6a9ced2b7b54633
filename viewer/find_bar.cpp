#include "viewer/find_bar.h"

#include "pdf/document_worker.h"
#include "viewer/page_text_search.h"
#include "viewer/pane_grid.h"
#include "pdf/pdf_region_text.h"
#include "viewer/u_pane_image.h"
#include "viewer/vcs_diff_frame.h"
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

int Side_Index(T_Side Side) { return Side == T_Side::Left ? 0 : 1; }

QRect To_Rect(const T_Rectangle& Box) { return {Box.Left, Box.Top, Box.Width, Box.Height}; }

TView_Image_Frame* Pane_Of(T_Pane_Grid& Panes, T_Side Side)
{
    return Side == T_Side::Left ? Panes.View_Image_Frame1 : Panes.View_Image_Frame2;
}

} // namespace

T_Find_Bar::T_Find_Bar(TView_diff_frame& View, T_Pane_Grid& Panes)
    : QWidget(&View), View_(View), Panes_(Panes)
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
    View_.Add_Changes_Listener(this, [this] {
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
    if (!View_.Session().Has_Text_Layer())
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
            if (Panes_.View_Image_Frame1->ScrollBox1)
                Panes_.View_Image_Frame1->ScrollBox1->setFocus();
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

std::vector<T_Text_Hit> T_Find_Bar::Find_All(const QString& Query, bool& Any_Text_Layer)
{
    const T_Diff_Session& session = View_.Session();
    std::vector<T_Text_Hit> hits;
    Any_Text_Layer = false;
    const std::string files[2] = {session.Text_Layer_File(T_Side::Left),
                                  session.Text_Layer_File(T_Side::Right)};
    const int pages[2] = {session.Pages(T_Side::Left).Count(),
                          session.Pages(T_Side::Right).Count()};
    // The user waits for the hits: the reading goes before any other work.
    const T_Document_Call_Scope scope(T_Document_Priority::Visible_Pair);
    for (int page = 0; page < std::max(pages[0], pages[1]); ++page)
        for (T_Side side : {T_Side::Left, T_Side::Right}) {
            const int at = Side_Index(side);
            if (View_.Model().Missing(side) || files[at].empty() || page >= pages[at])
                continue;
            // Kept while the view shows the pair: each page is read once.
            if (!Layers_[at] || Layers_[at]->File() != files[at])
                Layers_[at] = std::make_unique<T_Pdf_Text_Layer>(files[at]);
            const T_Page_Words& words = Layers_[at]->Words(page);
            Any_Text_Layer = Any_Text_Layer || words.Has_Text_Layer;
            for (const T_Rectangle& box : Find_On_Page(words, Query))
                hits.push_back({side, page, box});
        }
    return hits;
}

void T_Find_Bar::Search()
{
    Query_ = Field_->text();
    Hits_.clear();
    Current_ = -1;
    Change_Pending_ = false;
    if (!View_.Session().Has_Text_Layer()) {
        Say(No_Text_Layer);
        return;
    }
    bool any_text = false;
    if (!Query_.trimmed().isEmpty())
        Hits_ = Find_All(Query_, any_text);
    if (Query_.trimmed().isEmpty())
        Say({});
    else if (Hits_.empty())
        Say(any_text ? QStringLiteral("Not found") : No_Text_Layer);
    if (Hits_.empty()) {
        Show_Outlines();
        return;
    }
    Go_To(First_From_Shown_Pages());
}

int T_Find_Bar::First_From_Shown_Pages() const
{
    const T_Diff_Session& session = View_.Session();
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
    if (View_.Session().Page(hit.Side) != hit.Page) {
        // Through the tabs, as a click on one: with Sync pages the other
        // side follows.
        auto* tabs = View_.findChild<TDiff_Pagelist_Frame*>(
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
    const T_Difference* difference = View_.Differences();
    if (!Change_Pending_ || Current_ < 0 || !difference)
        return;
    const T_Text_Hit& hit = Hits_[std::size_t(Current_)];
    if (View_.Session().Page(hit.Side) != hit.Page)
        return;
    Change_Pending_ = false;
    // Regions are in the base's pixels; the modified page lies at the offset.
    QRect in_base = To_Rect(hit.Box);
    if (hit.Side == T_Side::Right)
        in_base.translate(Panes_.Offset());
    for (std::size_t index = 0; index < difference->Regions.size(); ++index) {
        const T_Change_Region& region = difference->Regions[index];
        const QRect box(region.Left + difference->Left, region.Top + difference->Top, region.Width,
                        region.Height);
        if (!box.intersects(in_base))
            continue;
        if (int(index) != View_.Current_Change())
            View_.Show_Change(int(index));
        return;
    }
}

void T_Find_Bar::Show_Outlines()
{
    const T_Diff_Session& session = View_.Session();
    for (T_Side side : {T_Side::Left, T_Side::Right}) {
        TView_Image_Frame* pane = Pane_Of(Panes_, side);
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
    TView_Image_Frame* pane = Pane_Of(Panes_, Hit.Side);
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
    Panes_.Sync_Scroll(pane->ScrollBox1);
}

T_Find_Bar* Add_Find_Bar(TView_diff_frame& View, T_Pane_Grid& Panes)
{
    auto* bar = new T_Find_Bar(View, Panes);
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
