#include "editor/pagetable.h"

#include "app/myipctrl.h"

#include <QTableWidget>

namespace PageTable {

void removeNumberedRow(QTableWidget *table, int row)
{
    for (int below = row + 1; below < table->rowCount(); ++below) {
        if (QTableWidgetItem *number = table->item(below, 0))
            number->setText(QString::number(below));
    }
    table->removeRow(row);
}

QString usableAddress(const MyIPCtrl *ctrl)
{
    const QString address = ctrl->getIP();
    return address == QLatin1String("0.0.0.0") ? QString() : address;
}

} // namespace PageTable
