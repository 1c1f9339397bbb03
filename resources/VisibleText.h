// Texts that come from a switch (its name, its syslog messages, ...) may hold
// control characters that would break, hide or reorder what is shown around
// them; the console shows such texts through VisibleText, and through
// IsolatedText where other text follows them in one caption.
#pragma once

#include <QString>

#include <string_view>

namespace Resources {

// The text with every control character made visible:
// - U+0000..U+001F (tab, line feed, carriage return and escape included)
//   become the matching control picture U+2400..U+241F, DEL (U+007F)
//   becomes U+2421;
// - the C1 controls U+0080..U+009F and the line and paragraph separators
//   U+2028, U+2029, which would break a line as well, become U+FFFD;
// - the bidirectional controls, which would reorder the text around them
//   (the embeddings and overrides U+202A..U+202E, the isolates
//   U+2066..U+2069 and the marks U+200E, U+200F, U+061C), become U+FFFD,
//   except a first-strong isolate U+2068 closed by its pop U+2069 (the
//   pair stays: it cannot move what lies outside it), so that the text of
//   IsolatedText stays as it is;
// - everything else stays as it is.
QString VisibleText(const QString& text);
// The same for UTF-8 bytes; invalid sequences become U+FFFD.
QString VisibleText(std::string_view utf8);

// VisibleText, put between a first-strong isolate and its pop (U+2068,
// U+2069) when it holds right-to-left letters or numbers: they then cannot
// move the text that follows it in a caption (an address after a name stays
// where it is written). A text without them comes back as VisibleText has it.
QString IsolatedText(const QString& text);
QString IsolatedText(std::string_view utf8);

} // namespace Resources
