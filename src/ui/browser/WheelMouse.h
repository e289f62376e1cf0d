// The mouse wheel in the thumbnail browser: one detent scrolls one row.
#pragma once

namespace kadrel {

/// Whole wheel detents from a wheel angle in eighths of a degree (120 a detent), rounded half
/// to even: one detent forward is 1, one back is -1.
int wheelNotches(int angleDelta);

}  // namespace kadrel
