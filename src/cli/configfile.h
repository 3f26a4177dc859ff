#pragma once

#include <QString>

#include <cstdint>
#include <memory>

struct CConfigure;

// A configuration loaded from an ".inf" file by the reader of the window's
// Open, with its refusals.
struct ConfigFile {
    std::unique_ptr<CConfigure> configure;
    int32_t commMode = 0;
    QString model; // as the file names it; empty when it names none

    // False with `error` when the file cannot be read or is refused.
    bool load(const QString &path, QString &error);
};
