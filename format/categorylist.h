#pragma once

#include "catalogue.h"
#include "error.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

namespace spartiti {

// The 33 category names are read from "spartiti/generi.js" strictly by position with
// the archive's item rules: item 1 (the first line) is discarded, then each name is
// followed by the empty item after its comma. So the file must keep one first line
// without a comma, then one line per category, the quoted name followed by a comma.
using CategoryNames = std::array<QString, ScoreCatalogue::CategoryCount>;

// `path` only names the file in error messages.
std::optional<Error> parseCategoryList(QByteArrayView bytes, CategoryNames &names,
                                       const QString &path);

std::optional<Error> readCategoryList(const QString &path, CategoryNames &names);

} // namespace spartiti
