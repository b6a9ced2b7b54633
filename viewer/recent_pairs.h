// The pairs the user compared last, most recent first, kept with the user's
// settings so that the next run offers them in the File menu.
#pragma once

#include <QList>
#include <QString>

#include <functional>

class QMenu;

struct T_Recent_Pair {
    QString Left;
    QString Right;

    bool operator==(const T_Recent_Pair&) const = default;
};

// At most this many pairs are kept.
constexpr int Recent_Pairs_Limit = 10;

// The stored pairs, most recent first.
QList<T_Recent_Pair> Recent_Pairs();

// Puts the pair first, removing an earlier entry of the same pair and the
// oldest entries beyond the limit. The names should be absolute.
void Remember_Recent_Pair(const QString& Left, const QString& Right);

// True when both versions can still be opened: each name is an existing
// file or the null device (a version that does not exist).
bool Recent_Pair_Available(const T_Recent_Pair& Pair);

// Fills Menu with one entry per stored pair (disabled when a file has gone),
// or a disabled "No recent pairs"; choosing an entry calls Open with it.
void Fill_Recent_Pairs_Menu(QMenu& Menu, const std::function<void(const T_Recent_Pair&)>& Open);
