#include "VisibleText.h"

#include <QList>

#include <algorithm>
#include <vector>

namespace Resources {

namespace {

bool IsBidiControl(char16_t u)
{
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x200E || u == 0x200F ||
           u == 0x061C;
}

} // namespace

QString VisibleText(const QString& text)
{
    QString out = text;
    // First-strong isolates that are closed again (a stack of open ones,
    // each pop closing the latest) are kept: nothing outside them can move.
    std::vector<qsizetype> open, kept;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t u = out[i].unicode();
        if (u == 0x2068) {
            open.push_back(i);
        } else if (u == 0x2069 && !open.empty()) {
            kept.push_back(open.back());
            kept.push_back(i);
            open.pop_back();
        }
    }
    std::sort(kept.begin(), kept.end());
    auto isKept = [&kept](qsizetype i) { return std::binary_search(kept.begin(), kept.end(), i); };
    for (qsizetype i = 0; i < out.size(); ++i) {
        QChar& c = out[i];
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
        else if ((u >= 0x80 && u <= 0x9F) || u == 0x2028 || u == 0x2029 || (IsBidiControl(u) && !isKept(i)))
            c = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

QString VisibleText(std::string_view utf8)
{
    return VisibleText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

QString IsolatedText(const QString& text)
{
    QString shown = VisibleText(text);
    // Only right-to-left letters and numbers (and an isolate kept inside)
    // can move what follows; a text without them is left as it is.
    for (const char32_t u : shown.toUcs4()) {
        const QChar::Direction d = QChar::direction(u);
        if (d == QChar::DirR || d == QChar::DirAL || d == QChar::DirAN || d == QChar::DirFSI)
            return QChar(char16_t(0x2068)) + shown + QChar(char16_t(0x2069));
    }
    return shown;
}

QString IsolatedText(std::string_view utf8)
{
    return IsolatedText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

} // namespace Resources
