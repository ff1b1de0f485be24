#pragma once

#include <QString>

namespace spartiti {

// The one error type of the core. Functions that read or write files return it as
// a value (std::optional<Error>, empty on success); the catalogue's accessors throw
// it for an index or a 16-bit overflow. Windows turn it into a message box.
struct Error
{
    enum class Kind {
        Index,          // an array index outside its fixed bounds
        Overflow,       // a 16-bit counter left -32768..32767
        FileNotFound,
        PathNotFound,   // a folder on the way is missing
        InputPastEnd,   // a file ended before the reader had all it needed
        Unencodable,    // a value the archive format cannot hold
        TooManyRecords,
        Io,             // any other failure to read, write or copy
        NoSelection,    // an attach was asked with no file chosen
        Cancelled,      // the user stopped a copy; nothing was changed
        NeedsConfirmation,  // the step would replace something the user must agree to lose
    };

    Kind kind;
    QString message;    // Italian, ready to show to the user
};

} // namespace spartiti
