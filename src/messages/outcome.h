#pragma once

// How one step of an exchange with a gateway or server ended. A failure
// carries the id of the message a front end shows for it (a window in a box,
// the command-line tool on standard error); 0 means it fails without a word.
struct Outcome {
    bool ok = true;
    unsigned int messageId = 0;

    static Outcome failure(unsigned int messageId = 0) { return Outcome{false, messageId}; }
    explicit operator bool() const { return ok; }
};
