#include "VisibleText.h"

namespace Resources {

QString VisibleText(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
        else if ((u >= 0x80 && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            c = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

QString VisibleText(std::string_view utf8)
{
    return VisibleText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

} // namespace Resources
