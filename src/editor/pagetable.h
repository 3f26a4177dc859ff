#pragma once

#include <QList>
#include <QString>

class MyIPCtrl;
class QTableWidget;

// Table and form pieces shared by the ID-mapping and priority-control pages.
namespace PageTable {

// Removes `row` and renumbers column 0 of the rows below it, so the numbers
// stay 1, 2, 3... without a gap.
void removeNumberedRow(QTableWidget *table, int row);

// The address of `ctrl`, or an empty text while it is incomplete or 0.0.0.0:
// neither names a usable peer.
QString usableAddress(const MyIPCtrl *ctrl);

// Removes entry `index` of an owned list and deletes it; false, and nothing
// touched, for an index outside the list.
template<typename T>
bool deleteEntry(QList<T *> &list, int index)
{
    if (index < 0 || index >= list.size())
        return false;
    delete list.takeAt(index);
    return true;
}

} // namespace PageTable
