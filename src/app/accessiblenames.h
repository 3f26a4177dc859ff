#pragma once

#include <QString>

class QWidget;

// A screen reader announces an entry field by its accessible name; without
// one it says only "edit". Every window names its fields here.
namespace AccessibleNames {

// Every field a label of `window` stands for (its buddy, set in the .ui file)
// is named with the label's text.
void fromLabels(QWidget *window);

// Names a field no label stands for. An IP entry control's four fields are
// named "<text>, part 1 of 4" to "<text>, part 4 of 4".
void set(QWidget *field, const QString &text);

} // namespace AccessibleNames
