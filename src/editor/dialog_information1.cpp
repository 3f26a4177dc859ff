#include "editor/dialog_information1.h"

#include "editor/portsummary.h"
#include "ui_dialog_information1.h"

#include <QHeaderView>

Dialog_Information1::Dialog_Information1(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Dialog_Information1)
{
    ui->setupUi(this);
    setFixedSize(630, 300);
    QHeaderView *header = ui->m_information1->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The long heading of column 1 gets a fixed width instead.
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    header->resizeSection(1, 200);
    PortSummary::build(this, ui->m_information1, PortSummary::timingRow);
}

Dialog_Information1::~Dialog_Information1()
{
    delete ui;
}
