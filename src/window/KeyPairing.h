// Which keys the status window saw go down, so that it acts on a key's release only when the
// press was its own. A popup menu or dialog that closes on a key's press leaves the release to the
// window under it (the keyboard goes back there in between); that release must not act again.
#pragma once

#include <QSet>

namespace so {

class KeyPairing {
public:
    /// A press reached the window (repeats of a held key add nothing).
    void pressed(int key, bool autoRepeat) {
        if (!autoRepeat)
            down_.insert(key);
    }
    /// True when this release ends a press the window received; the press is used up.
    bool released(int key, bool autoRepeat) { return !autoRepeat && down_.remove(key); }
    /// The keyboard went elsewhere: presses seen so far no longer pair with later releases.
    void forget() { down_.clear(); }

private:
    QSet<int> down_;
};

}  // namespace so
