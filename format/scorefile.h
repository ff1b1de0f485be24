#pragma once

namespace spartiti {

// The three files a score can have beside the archive, named after its number: its left
// and right page and its backing track (CatalogueFolder gives their paths).
enum class ScoreFile { LeftPage, RightPage, Track };

} // namespace spartiti
