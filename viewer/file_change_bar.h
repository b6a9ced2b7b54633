// The slim bar above the panes that says that a compared file changed on
// disk and offers Reload and Dismiss, as a browser's information bar does.
// It watches the files itself; bursts of change signals (an editor writing
// in several steps) are gathered into one report.
#pragma once

#include <QFrame>
#include <QSet>
#include <QStringList>

#include <functional>

class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QTimer;

class T_File_Change_Bar : public QFrame {
public:
    // Base and Modified are the user's names of the two versions; a name
    // that is the null device (a version that does not exist) or empty is
    // not watched. The bar starts hidden.
    T_File_Change_Bar(QWidget* Parent, const QString& Base, const QString& Modified);

    // Runs when the user chooses Reload.
    std::function<void()> On_Reload;

    QLabel* Message_L = nullptr;
    QPushButton* Reload_B = nullptr;
    QPushButton* Dismiss_B = nullptr;

    // The names watched now (tests).
    QStringList Watched() const;

private:
    void File_Changed(const QString& Path);
    void Report();

    QFileSystemWatcher* Watcher = nullptr;
    QTimer* Settle = nullptr;
    QString Base_Name;
    QString Modified_Name;
    // The versions that changed since the last report.
    QSet<QString> Changed;
    int Retries = 0;
};
