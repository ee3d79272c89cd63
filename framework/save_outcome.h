// What the backends' two ways of saving a file come to, and what a save then answers.
#pragma once

#include "framework/file.h"

namespace armwright {

enum class SaveOutcome {
    Done,        // written
    Failed,      // not written; the file is as it was
    Changed,     // the file was not the expected one; nothing was written
    CannotKeep,  // a new file could not be what the old one is; nothing has changed
    Damaged,     // a rewrite in place failed, and so did putting the old bytes back
};

// The answer of a save whose last way of saving came to `outcome`.
inline SaveResult ResultOf(SaveOutcome outcome) {
    switch (outcome) {
        case SaveOutcome::Done:
            return SaveResult::Saved;
        case SaveOutcome::Changed:
            return SaveResult::Changed;
        case SaveOutcome::Damaged:
            return SaveResult::Damaged;
        default:
            return SaveResult::Failed;
    }
}

}  // namespace armwright
