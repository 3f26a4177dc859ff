#include "editor/dialog_information.h"

#include "editor/portsummary.h"
#include "ui_dialog_information.h"

#include <QHeaderView>

Dialog_Information::Dialog_Information(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Dialog_Information)
{
    ui->setupUi(this);
    setFixedSize(514, 300);
    QHeaderView *header = ui->m_information->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setStretchLastSection(true);
    PortSummary::build(this, ui->m_information, PortSummary::lineSettingsRow);
}

Dialog_Information::~Dialog_Information()
{
    delete ui;
}
