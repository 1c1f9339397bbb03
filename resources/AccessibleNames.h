// Accessible names and descriptions: what a screen reader or a GUI robot
// is told about a control, taken from what the eye reads beside it.
#pragma once

#include <QString>

class QWidget;

// A label's text as a name: its mnemonic marks ("&") and trailing colon
// left out ("Server &Port:" gives "Server Port").
QString LabelName(const QString& text);

// Names every control under `root` (itself included) that has no
// accessible name yet:
// - a label's buddy after the label (wherever the two sit), unless the
//   buddy is itself a label showing a value: that one is read as its text;
// - a button that shows only an image after its tool tip;
// - a list, tree, table or text area without a label after the titled box
//   it sits in, else after `caption` (its page or window); a set of tabs
//   after `caption`.
// Run it once the controls are built.
void NameControls(QWidget* root, const QString& caption);
