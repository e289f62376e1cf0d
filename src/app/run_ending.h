// What a front end does once the engine has returned from a run: it shows what the run
// reported, in order, and asks the two delete questions before it lets the engine delete.
#pragma once

#include "app/ui_seam.h"
#include "engine/copy/copy_run.h"
#include "engine/notice.h"
#include "engine/run_context.h"

namespace kadrel {

/// Shows each notice as its box, in order.
void showNotices(UiSeam& ui, const Notices& notices);

/// Asks both delete questions about result.deletable, each with Cancel as its default; true
/// for two yeses. A termination request during a question answers it Cancel and is kept in
/// result.signal.
bool confirmDelete(UiSeam& ui, RunControl& control, RunResult& result);

/// A run's end on one thread (the terminal): shows the notices, asks, deletes what the user
/// allowed, and shows what the delete reported.
void endRun(const RunContext& ctx, RunResult& result, UiSeam& ui);

}  // namespace kadrel
