// Texts that come from a switch (its name, its syslog messages, ...) may hold
// control characters that would break or hide what is shown around them; the
// console shows such texts through VisibleText.
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
// - everything else stays as it is.
QString VisibleText(const QString& text);
// The same for UTF-8 bytes; invalid sequences become U+FFFD.
QString VisibleText(std::string_view utf8);

} // namespace Resources
