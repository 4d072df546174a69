// The review window: after a preview on a desktop, the run's statements
// owner by owner, their pages as printed, and the buttons that print them,
// e-mail them or save the preview. Built only where GTK 4 is found; the
// command asks ReviewWindowBuilt() before it offers the window.
#ifndef DUNMERROW_APP_REVIEW_WINDOW_H_
#define DUNMERROW_APP_REVIEW_WINDOW_H_

#include <optional>
#include <string>

#include "app/statement_session.h"

namespace app {

// Whether this build has the review window.
bool ReviewWindowBuilt();

struct ReviewResult {
  // False: the window could not open (the display did not answer); the
  // caller goes on as without a display.
  bool shown = false;
  // The last run the window started (print or e-mail), if any.
  std::optional<SessionOutcome> last_run;
};

// Shows the window for `preview`, the outcome of `session`'s preview run of
// `definition` whose engine kept its pages (OutputOptions::keep_preview),
// until the user closes it. Print runs the session's print button; e-mail
// runs `definition` again to the e-mail destination after the user agreed.
// A stopped preview shows its pages so far and its failure, and offers
// neither.
//
// For tests, DUNMERROW_REVIEW_WINDOW_STEPS holds steps separated by ';' that
// the window carries out once shown, then closes: "state" (writes what the
// window shows to standard output), "filter:TEXT", "select:OWNER",
// "action:NAME" (a window action: print, send, save, next-page, zoom-in...),
// "answer:yes|no" (to the open question), "snapshot:FILE.png".
ReviewResult ShowReviewWindow(StatementSession& session, const std::string& definition,
                              const SessionOutcome& preview);

}  // namespace app

#endif  // DUNMERROW_APP_REVIEW_WINDOW_H_
