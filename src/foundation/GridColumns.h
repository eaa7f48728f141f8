#pragma once
#include <QStringList>
#include <QVector>

class QTableView;

// Column widths that show a grid's fixed texts whole (dates, status texts, numbers, titles) in
// the font the grid is shown with, whatever widths the settings file brought.
namespace GridColumns {
// The width column `column` needs to show each of `samples` whole in the grid's font and its
// title whole in the header's font; `extra` is room a cell takes besides its text (an icon).
int Needed(const QTableView* grid, int column, const QStringList& samples, int extra = 0);
// Widens every column narrower than needed[i] (0 for no need) to that width; column `give` gives
// up what the others gained, down to `giveMin`, so that the grid keeps its total width.
void Widen(QTableView* grid, const QVector<int>& needed, int give, int giveMin);

// Until a column of `grid` is resized otherwise (by the user), column `give` takes the room its
// viewport leaves beside the other columns, at least `giveMin`, keeping room for a vertical
// scroll bar: the last column shows without scrolling whatever size the grid gets.
void FillWithColumn(QTableView* grid, int give, int giveMin);

// The fixed texts of the send-log grids at their widest: a date with time, a number of the
// greatest length a number has (17 digits with the international prefix), every status text.
QStringList DateTimeSamples();
QStringList NumberSamples();
QStringList StatusSamples();
}
