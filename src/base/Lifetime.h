// How a host may delete the component from inside one of the component's own calls into it (a
// CallBack, a LogError, a slot on the window's signals) without the component's code, still on
// the stack below that call, running on freed memory.
//
// Every way into the component opens a Scope: the host's calls of Status members, and the window's
// own event handling (keys, close, activation, the row menu). Deleting the Status while a scope is
// open only ends the lifetime: the teardown waits for the outermost scope to close. It runs right
// there when that scope is a host's call (the host's frame is next on the stack, nothing of the
// component's), and on the next event-loop turn when it is a window event, so that the widget
// whose event is being handled is not deleted inside its own handler.
//
// Once ended, the component makes no further host call: ComponentContext::host() and site()
// throw ComponentEnded, which every trap swallows silently, so the rest of each procedure up the
// stack is skipped at its next host call; reports and boxes are dropped.
#pragma once

#include <QtGlobal>

#include <functional>
#include <stdexcept>

namespace so {

/// Thrown by a host accessor once the host deleted the component; the trap ends the procedure silently.
class ComponentEnded : public std::runtime_error {
public:
    ComponentEnded() : std::runtime_error("the host deleted the component") {}
};

class Lifetime {
public:
    enum class Entry {
        HostCall,     ///< a Status member the host called
        WindowEvent,  ///< the window handling an event of the event loop
    };

    /// Open while the component's code runs on behalf of one entry.
    class Scope {
    public:
        Scope(Lifetime& lifetime, Entry entry);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Lifetime& lifetime_;
        Entry entry_;
    };

    Lifetime() = default;
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    /// True once the owner was deleted (the teardown may still be waiting for a scope to close).
    bool ended() const { return ended_; }
    /// The owner is being deleted: teardown (which destroys this object) runs now when no scope is
    /// open, otherwise when the outermost scope closes (see the top of this header).
    void end(std::function<void()> teardown);

private:
    int depth_ = 0;
    bool ended_ = false;
    std::function<void()> teardown_;
};

}  // namespace so
