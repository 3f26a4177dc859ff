#pragma once

#include <QByteArray>

struct CConfigure;

// What every configuration parsed from a block must look like: each value
// inside the range the editor accepts, each list no longer than the bytes
// received can hold.
void checkParsedBlock(const QByteArray &block, const CConfigure &configure, int ports, bool fixedLayout);

// A configuration holding one entry in each list, to see that a parse
// replaces them and never leaks them.
void fillWithStaleEntries(CConfigure &configure);
