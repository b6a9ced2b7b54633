#include "viewer/file_change_bar.h"

#include "platform/os_platform.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

// Long enough to gather an editor's truncate-write-rename into one report,
// short enough to feel immediate.
constexpr int Settle_Ms = 300;
// How many times a replaced file that is not back yet is looked for.
constexpr int Missing_Retries = 20;

bool Watchable(const QString& Name)
{
    return !Name.isEmpty() && !os::Is_Null_Device(Name.toStdString());
}

} // namespace

T_File_Change_Bar::T_File_Change_Bar(QWidget* Parent, const QString& Base, const QString& Modified)
    : QFrame(Parent), Base_Name(Base), Modified_Name(Modified)
{
    setObjectName(QStringLiteral("File_Change_Bar"));
    setAccessibleName(QStringLiteral("File changed on disk"));
    setFrameShape(QFrame::StyledPanel);
    // One line high: the panes keep the window's height.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 4, 2);
    Message_L = new QLabel(this);
    Message_L->setObjectName(QStringLiteral("File_Change_L"));
    Message_L->setForegroundRole(QPalette::ToolTipText);
    layout->addWidget(Message_L, 1);
    Reload_B = new QPushButton(QStringLiteral("&Reload"), this);
    Reload_B->setObjectName(QStringLiteral("File_Change_Reload_B"));
    Reload_B->setAccessibleName(QStringLiteral("Reload the changed files"));
    Dismiss_B = new QPushButton(QStringLiteral("Dismiss"), this);
    Dismiss_B->setObjectName(QStringLiteral("File_Change_Dismiss_B"));
    Dismiss_B->setAccessibleName(QStringLiteral("Dismiss the change notice"));
    for (QPushButton* button : {Reload_B, Dismiss_B}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(button);
    }
    connect(Reload_B, &QPushButton::clicked, this, [this] {
        hide();
        if (On_Reload)
            On_Reload();
    });
    connect(Dismiss_B, &QPushButton::clicked, this, [this] {
        Changed.clear();
        hide();
    });
    hide();

    Settle = new QTimer(this);
    Settle->setSingleShot(true);
    Settle->setInterval(Settle_Ms);
    connect(Settle, &QTimer::timeout, this, [this] { Report(); });
    Watcher = new QFileSystemWatcher(this);
    for (const QString& name : {Base_Name, Modified_Name})
        if (Watchable(name))
            Watcher->addPath(name);
    connect(Watcher, &QFileSystemWatcher::fileChanged, this,
            [this](const QString& path) { File_Changed(path); });
}

QStringList T_File_Change_Bar::Watched() const { return Watcher->files(); }

void T_File_Change_Bar::File_Changed(const QString& Path)
{
    Changed.insert(Path);
    Settle->start();
}

void T_File_Change_Bar::Report()
{
    // An editor that saves by writing a new file and renaming it over the
    // old one leaves the watcher on the removed file: the name is watched
    // again once the new file is there, looked for a few more times while
    // it is still missing.
    bool missing = false;
    for (const QString& name : {Base_Name, Modified_Name}) {
        if (!Watchable(name) || Watcher->files().contains(name))
            continue;
        if (QFileInfo::exists(name))
            Watcher->addPath(name);
        else
            missing = true;
    }
    if (missing && Retries < Missing_Retries) {
        ++Retries;
        Settle->start();
    } else {
        Retries = 0;
    }
    const bool base = Changed.contains(Base_Name);
    const bool modified = Changed.contains(Modified_Name);
    if (!base && !modified)
        return;
    Changed.clear();
    const QString which = base && modified ? QStringLiteral("Both files")
                          : base           ? QStringLiteral("The base file")
                                           : QStringLiteral("The modified file");
    Message_L->setText(which + QStringLiteral(" changed on disk."));
    setAccessibleDescription(Message_L->text());
    show();
}
