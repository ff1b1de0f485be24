#pragma once

#include "error.h"

#include <QString>

#include <optional>

namespace spartiti {

class Module1;

// The attach steps of the page pickers and the track window, without any window: each
// copies the file the user chose into the data folder under the name of the score on
// show in the editor (Module1::currentNumber() at the moment of the call). The copies
// replace a destination only once complete, so a failure never leaves half a file.
// `chosenPath` is the file chosen in the window; empty when none was chosen.

// Copies the chosen file to the score's left page, then the placeholder page to its
// right page: a new left page always comes with a fresh placeholder on the right. A
// failed left copy copies no placeholder; a failed placeholder copy keeps the new left
// page and the error says so; `leftPageWritten`, when given, tells the two failures apart.
std::optional<Error> attachLeftPage(Module1 &state, const QString &chosenPath,
                                    bool *leftPageWritten = nullptr);

// Copies the chosen file to the score's right page, nothing else.
std::optional<Error> attachRightPage(Module1 &state, const QString &chosenPath);

// Copies the chosen file to the score's track and files the same score under category
// `categoryCode` (1..33). The category changes only once the track is in place, so one
// click either attaches both or changes nothing.
std::optional<Error> attachTrack(Module1 &state, const QString &chosenPath, int categoryCode);

} // namespace spartiti
