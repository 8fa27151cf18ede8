// statusviewer operator-password --db URL LOGIN: sets an operator's password in the site's
// operator directory, read from standard input (without echo on a terminal); and the first line
// of a password file, as a headless desk reads its operator's.
#pragma once

#include "cli/CliOptions.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace sv {

/// Exit status: 0 set, 1 the site cannot be written, 2 a refused password or operator.
int setOperatorPassword(const AppOptions& options);

/// The first line of the file (without its line break); nullopt with why when it cannot be read.
std::optional<QByteArray> readPasswordFile(const QString& path, QString& error);

}  // namespace sv
