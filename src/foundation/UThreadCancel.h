#pragma once
// Cancellation of the work running on a task queue's worker thread.
//
// A queue's worker installs its cancel source for its own thread; any code on
// that thread, at any depth (a network transfer, a render loop), calls
// ThreadCancel::Check() between steps. On threads without a source (the main
// thread, plain threads) the check does nothing.

class ICancelSource {
public:
    virtual ~ICancelSource() = default;
    // True when the task running on the calling thread must stop.
    virtual bool IsCancelRequested() const = 0;
};

namespace ThreadCancel {

// Installs (or, with nullptr, removes) the calling thread's source.
void SetCurrentSource(ICancelSource* source);
ICancelSource* CurrentSource();

// Raises ECancel without a message when the calling thread's source asks to
// cancel; otherwise returns at once. Changes no state.
void Check();

// Installs a source for the lifetime of the scope, restoring the previous one.
class Scope {
public:
    explicit Scope(ICancelSource* source);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    ICancelSource* fPrevious;
};

} // namespace ThreadCancel
