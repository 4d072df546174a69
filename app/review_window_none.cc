// A build without GTK 4 has no review window: previews end as on a terminal.
#include "app/review_window.h"

namespace app {

bool ReviewWindowBuilt() { return false; }

ReviewResult ShowReviewWindow(StatementSession&, const std::string&, const SessionOutcome&) {
  return {};
}

}  // namespace app
