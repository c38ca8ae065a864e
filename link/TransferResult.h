#pragma once

#include "link/Questions.h"

#include <QString>

#include <cstddef>

// How a transfer into or out of the controller's flash ended, for whoever started it. The
// window shows `caption` and `message` as it always has; a script reads the outcome and the
// cause, never the logs.
struct TransferResult
{
    enum class Severity { Information, Warning, Error };
    enum class Outcome {
        NotStarted, // another transfer, or the tail of a cancelled one, holds the link
        Done,       // every ring meant was moved (and read back, when asked)
        Unverified, // an upload written without the read-back
        Partial,    // a download that kept rings but may lack some the controller holds
        Failed,
    };
    enum class Cause {
        None,
        NoAnswer,       // the controller stopped answering at `packet` of `ring`
        BadAnswer,      // it answered `packet` of `ring`, but never usably
        Checksum,       // a ring read whose checksums do not hold
        Mismatch,       // the read-back differs from what was sent, at `offset` of `ring`
        RefusedByCheck, // the project check stopped the upload before anything was sent
        Declined,       // `question` was answered No
        Cancelled,
        OpenFailed, // the serial port could not be opened
        Silent,     // the version probe was never answered
    };

    Outcome outcome = Outcome::NotStarted;
    Cause cause = Cause::None;
    // Rings moved (upload: written; download: kept). Rings and packets count from 0.
    int ringsDone = 0;
    int ring = -1;
    // Within the ring: the project block's packets first, then the programs block's.
    int packet = -1;
    // Within the ring: the project block's bytes first, then the programs block's.
    std::size_t offset = 0;
    Question question = Question::Confirm;
    // Checksum: the ring is erased (its first packet all 0x00 or all 0xFF), where a project
    // of fewer rings ends, rather than read wrong.
    bool erased = false;
    // An upload of one ring left the controller's other rings as they were.
    bool otherRingsKept = false;
    // A download of one ring from a controller that did not say how many it keeps.
    bool ringCountUnknown = false;

    // The closing message box; an empty caption shows none.
    QString caption;
    QString message;
    Severity severity = Severity::Information;
    // The status log line that names the cause, or the text of the question declined.
    QString detail;

    [[nodiscard]] bool ok() const
    {
        return outcome == Outcome::Done || outcome == Outcome::Unverified;
    }
};
