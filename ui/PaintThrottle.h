// Painting of a list that changes many times in a row.
//
// A view repaints after every pass of the event loop in which its model
// changed; during a burst of changes (a discovery adding thousands of
// rows, a poll answering for each of them) that is most of the window
// thread's time. ThrottlePaints lets a change that comes alone paint as
// usual, and holds the view's painting while changes follow each other
// closely, painting what they did at most once per interval, and for a
// view that is slow to paint (a long list laid out again) no more often
// than keeps its painting to about a sixteenth of the window thread.
#pragma once

class QAbstractItemView;

// Default interval: about one frame of the screen.
constexpr int PaintThrottleMs = 16;

void ThrottlePaints(QAbstractItemView* view, int intervalMs = PaintThrottleMs);

// Whether the view's painting is being held now (for tests).
bool PaintsHeld(const QAbstractItemView* view);
