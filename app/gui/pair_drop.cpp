#include "app/gui/pair_drop.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

T_Pair_Drop Refused(const QString& Reason)
{
    return {T_Pair_Drop::T_Kind::Refused, {}, {}, Reason};
}

} // namespace

T_Pair_Drop Decode_Pair_Drop(const QMimeData& Data, T_Drop_Side Side)
{
    const QList<QUrl> urls = Data.urls();
    if (urls.isEmpty())
        return Refused(QStringLiteral("Drop one file, or two files to compare."));
    if (urls.size() > 2)
        return Refused(QStringLiteral("Drop one file, or two files to compare, not %1 files.")
                           .arg(urls.size()));
    QStringList names;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            return Refused(QStringLiteral("Only files on this computer can be compared:\n%1")
                               .arg(url.toDisplayString()));
        const QString name = QDir::toNativeSeparators(url.toLocalFile());
        if (QFileInfo(name).isDir())
            return Refused(
                QStringLiteral("A folder cannot be compared in this window:\n%1").arg(name));
        names << name;
    }
    if (names.size() == 2)
        return {T_Pair_Drop::T_Kind::Pair, names[0], names[1], {}};
    return {Side == T_Drop_Side::Base ? T_Pair_Drop::T_Kind::Base : T_Pair_Drop::T_Kind::Modified,
            names[0],
            {},
            {}};
}

T_Pair_Drop_Target::T_Pair_Drop_Target(QWidget* Window, std::function<T_Drop_Side(QPoint)> Side_At,
                                       std::function<void(const T_Pair_Drop&)> On_Drop)
    : QObject(Window), Window_(Window), Side_At_(std::move(Side_At)), On_Drop_(std::move(On_Drop))
{
    Window->setAcceptDrops(true);
    Window->installEventFilter(this);
}

bool T_Pair_Drop_Target::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched != Window_)
        return false;
    switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Any list of names is taken, so that a refusal can say why
        // instead of the pointer only showing "no".
        auto* drag = static_cast<QDropEvent*>(Event);
        if (drag->mimeData() && drag->mimeData()->hasUrls())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(Event);
        if (!drop->mimeData() || !drop->mimeData()->hasUrls()) {
            drop->ignore();
            return true;
        }
        const T_Pair_Drop decoded =
            Decode_Pair_Drop(*drop->mimeData(), Side_At_(drop->position().toPoint()));
        drop->acceptProposedAction();
        On_Drop_(decoded);
        return true;
    }
    default:
        return false;
    }
}
