#include "viewer/recent_pairs.h"

#include "platform/os_platform.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const QString Array_Key = QStringLiteral("recent_pairs");
const QString Left_Key = QStringLiteral("left");
const QString Right_Key = QStringLiteral("right");

void Store(const QList<T_Recent_Pair>& Pairs)
{
    QSettings settings;
    settings.remove(Array_Key);
    settings.beginWriteArray(Array_Key, int(Pairs.size()));
    for (int i = 0; i < Pairs.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(Left_Key, Pairs[i].Left);
        settings.setValue(Right_Key, Pairs[i].Right);
    }
    settings.endArray();
}

bool Version_Available(const QString& Name)
{
    return os::Is_Null_Device(Name.toStdString()) || QFileInfo(Name).isFile();
}

// The entry's caption: both names, each shortened to the file's name when
// the two lie in one folder.
QString Caption(const T_Recent_Pair& Pair)
{
    const QFileInfo left(Pair.Left);
    const QFileInfo right(Pair.Right);
    if (left.absolutePath() == right.absolutePath())
        return QStringLiteral("%1 \u2194 %2  (%3)")
            .arg(left.fileName(), right.fileName(), QDir::toNativeSeparators(left.absolutePath()));
    return QStringLiteral("%1 \u2194 %2")
        .arg(QDir::toNativeSeparators(Pair.Left), QDir::toNativeSeparators(Pair.Right));
}

} // namespace

QList<T_Recent_Pair> Recent_Pairs()
{
    QSettings settings;
    QList<T_Recent_Pair> pairs;
    const int count = settings.beginReadArray(Array_Key);
    for (int i = 0; i < count && pairs.size() < Recent_Pairs_Limit; ++i) {
        settings.setArrayIndex(i);
        T_Recent_Pair pair{settings.value(Left_Key).toString(),
                           settings.value(Right_Key).toString()};
        // Hand-edited settings may hold blanks or repeats.
        if (!pair.Left.isEmpty() && !pair.Right.isEmpty() && !pairs.contains(pair))
            pairs.append(pair);
    }
    settings.endArray();
    return pairs;
}

void Remember_Recent_Pair(const QString& Left, const QString& Right)
{
    QList<T_Recent_Pair> pairs = Recent_Pairs();
    const T_Recent_Pair pair{Left, Right};
    pairs.removeAll(pair);
    pairs.prepend(pair);
    while (pairs.size() > Recent_Pairs_Limit)
        pairs.removeLast();
    Store(pairs);
}

bool Recent_Pair_Available(const T_Recent_Pair& Pair)
{
    return Version_Available(Pair.Left) && Version_Available(Pair.Right);
}

void Fill_Recent_Pairs_Menu(QMenu& Menu, const std::function<void(const T_Recent_Pair&)>& Open)
{
    Menu.clear();
    const QList<T_Recent_Pair> pairs = Recent_Pairs();
    if (pairs.isEmpty()) {
        Menu.addAction(QStringLiteral("No recent pairs"))->setEnabled(false);
        return;
    }
    for (const T_Recent_Pair& pair : pairs) {
        // A "&" in a name is shown, not taken for a mnemonic.
        QString caption = Caption(pair);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = Menu.addAction(caption);
        entry->setToolTip(QDir::toNativeSeparators(pair.Left) + QLatin1Char('\n') +
                          QDir::toNativeSeparators(pair.Right));
        // A pair whose file has gone stays listed, so the list does not
        // shift under the user, but cannot be chosen.
        entry->setEnabled(Recent_Pair_Available(pair));
        QObject::connect(entry, &QAction::triggered, &Menu, [Open, pair] { Open(pair); });
    }
}
