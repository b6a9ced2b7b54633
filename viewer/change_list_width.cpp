#include "viewer/change_list_width.h"

#include <QEvent>
#include <QPointer>
#include <QSplitter>
#include <QTimer>

#include <algorithm>

namespace {

// Watches the splitter and the list and sizes the list once the layout has
// settled: QSplitter shares out a new size after its own resize event, so
// sizes set while the event is under way would be shared out again.
class T_Change_List_Width_Keeper : public QObject {
public:
    T_Change_List_Width_Keeper(QSplitter& Splitter, QWidget& List, std::optional<int> Stored,
                               std::function<void(int)> Resized)
        : QObject(&Splitter), Splitter_(Splitter), List_(List), Stored_(Stored),
          Resized_(std::move(Resized))
    {
        Pending_.setSingleShot(true);
        Pending_.setInterval(0);
        connect(&Pending_, &QTimer::timeout, this, [this] { Apply(); });
        connect(&Splitter_, &QSplitter::splitterMoved, this, [this] { User_Moved(); });
        Splitter_.installEventFilter(this);
        List_.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        const bool resized = Watched == &Splitter_ && Event->type() == QEvent::Resize;
        const bool shown = Watched == &List_ && Event->type() == QEvent::Show;
        if (resized || shown)
            Pending_.start();
        return QObject::eventFilter(Watched, Event);
    }

private:
    int Total() const { return Splitter_.width() - Splitter_.handleWidth(); }

    void Apply()
    {
        if (!List_.isVisible() || Splitter_.count() < 2)
            return;
        const int width = Change_List_Width(Total(), List_.minimumWidth(), Stored_);
        Splitter_.setSizes({Total() - width, width});
    }

    void User_Moved()
    {
        Stored_ = List_.width();
        if (Resized_)
            Resized_(*Stored_);
    }

    QSplitter& Splitter_;
    QWidget& List_;
    std::optional<int> Stored_;
    std::function<void(int)> Resized_;
    QTimer Pending_;
};

} // namespace

int Change_List_Width(int Total, int Minimum, std::optional<int> Stored)
{
    const int largest = Stored ? Total / 2 : Total / 4;
    const int wanted = Stored ? *Stored : Default_Change_List_Width;
    return std::max(Minimum, std::min(wanted, largest));
}

void Keep_Change_List_Width(QSplitter& Splitter, QWidget& List, std::optional<int> Stored,
                            std::function<void(int)> Resized)
{
    new T_Change_List_Width_Keeper(Splitter, List, Stored, std::move(Resized));
}
