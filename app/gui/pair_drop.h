// Files dropped on the comparison window: two files are a new pair (the
// first the base), one file replaces the version of the pane it lands on.
// Only local files are taken; what cannot be compared is refused with the
// reason, and the window stays as it was.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMimeData;
class QWidget;

// Where a single file was dropped: on the base pane, or anywhere else (the
// modified pane, the compared pane, the controls), which means the
// modified version.
enum class T_Drop_Side { Base, Modified };

struct T_Pair_Drop {
    enum class T_Kind { Refused, Pair, Base, Modified };
    T_Kind Kind = T_Kind::Refused;
    // Pair: both names; Base or Modified: First is the new version.
    QString First;
    QString Second;
    // Refused: why, in words for the user.
    QString Reason;
};

// Reads what Data holds, a single file going to Side.
T_Pair_Drop Decode_Pair_Drop(const QMimeData& Data, T_Drop_Side Side);

// Takes drops on Window: Side_At tells where a point of Window is,
// On_Drop gets what was dropped, refusals included. Belongs to Window.
class T_Pair_Drop_Target : public QObject {
public:
    T_Pair_Drop_Target(QWidget* Window, std::function<T_Drop_Side(QPoint)> Side_At,
                       std::function<void(const T_Pair_Drop&)> On_Drop);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QWidget* Window_;
    std::function<T_Drop_Side(QPoint)> Side_At_;
    std::function<void(const T_Pair_Drop&)> On_Drop_;
};
