#include "host/vcl/EditSession.h"

#include <cassert>

#include "host/vcl/SysUtils.h"

namespace vcl {

namespace {
TEditSession* current = nullptr;
}  // namespace

void TEditSession::WindowShown() {
    // What the tool changed to build its view before showing it is not the person's doing.
    if (open_++ == 0) recorder_.ForgetPendingChanges();
}

void TEditSession::WindowClosed(TModalResult result) {
    assert(open_ > 0 && "a window closed that was never shown");
    if (--open_ > 0) {
        if (result == mrOk) Accept();
        return;
    }
    closedWithOk_ = result == mrOk;
    if (closedWithOk_) accepted_ = true;
    else recorder_.ForgetPendingChanges();
}

void TEditSession::Finish() {
    if (closedWithOk_) recorder_.AcceptChanges();
    else recorder_.ForgetPendingChanges();
    closedWithOk_ = false;
}

void TEditSession::Accept() {
    accepted_ = true;
    recorder_.AcceptChanges();
}

void TEditSession::Saved() {
    if (saved_) throw Exception("The form of this run was already saved");
    saved_ = true;
}

TEditSession* CurrentEditSession() { return current; }

TSessionScope::TSessionScope(TEditSession& session) : previous_(current) { current = &session; }
TSessionScope::~TSessionScope() { current = previous_; }

}  // namespace vcl
