#pragma once

class QWidget;

namespace dustrel {

// Ends the event loop with status 0. Every top-level window but `kept` is hidden rather than closed, so
// that no window's close handler runs on the way out.
void endEventLoop(const QWidget* kept = nullptr);

} // namespace dustrel
