// What the person did with the form, told apart from what the tools did to show it. A run's
// tool window is one edit session: it starts when the window is shown, after the tool has
// built its view (names given to unnamed pages to show them are the tool's, not the
// person's). OK of a dialog inside the window and Paste accept what was changed up to then;
// OK of the window accepts what the tool then does with it (a tool applies its window's
// values once the window has closed), up to the end of the session; closing the window any
// other way forgets the changes not yet accepted. Only accepted changes are ever written.
#pragma once

#include "host/vcl/Forms.h"

namespace vcl {

// Where a session's changes are kept until they are written: a form file.
class TEditRecorder {
public:
    // Carries the changes made since the last call into what will be written.
    virtual void AcceptChanges() = 0;
    // The changes made since the last acceptance will never be written; later changes are
    // measured against the form as it is now.
    virtual void ForgetPendingChanges() = 0;

protected:
    ~TEditRecorder() = default;
};

class TEditSession {
public:
    explicit TEditSession(TEditRecorder& recorder) : recorder_(recorder) {}
    TEditSession(const TEditSession&) = delete;
    TEditSession& operator=(const TEditSession&) = delete;

    // Every modal window of the run passes here: the outermost one is the session.
    void WindowShown();
    void WindowClosed(TModalResult result);
    // An acceptance that closes no window (Paste).
    void Accept();
    // The tool is done: what it did after its window closed with OK is accepted, anything
    // else pending is forgotten.
    void Finish();
    // Whether the person accepted anything: only then may the run write the form.
    bool Accepted() const { return accepted_; }
    // The run writes once; a second save of the same session is a fault of the program.
    void Saved();

private:
    TEditRecorder& recorder_;
    int open_ = 0;
    bool closedWithOk_ = false;  // the last outermost window
    bool accepted_ = false;
    bool saved_ = false;
};

// The session of this run, if any (a run that opens no form has none).
TEditSession* CurrentEditSession();
// Makes session the run's for as long as the object lives.
class TSessionScope {
public:
    explicit TSessionScope(TEditSession& session);
    ~TSessionScope();
    TSessionScope(const TSessionScope&) = delete;
    TSessionScope& operator=(const TSessionScope&) = delete;

private:
    TEditSession* previous_;
};

}  // namespace vcl
