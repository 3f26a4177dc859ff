#include "app/accessiblenames.h"

#include "app/myipctrl.h"

#include <QLabel>

namespace AccessibleNames {

void fromLabels(QWidget *window)
{
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->buddy())
            set(label->buddy(), label->text());
    }
}

void set(QWidget *field, const QString &text)
{
    const QString name = text.trimmed();
    field->setAccessibleName(name);
    if (auto *address = qobject_cast<MyIPCtrl *>(field))
        address->nameFields(name);
}

} // namespace AccessibleNames
