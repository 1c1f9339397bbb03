#include "PortTexts.h"

const QStringList& OnOffTexts()
{
    static const QStringList texts{QStringLiteral("Disable"), QStringLiteral("Enable")};
    return texts;
}

const QStringList& SpeedDuplexTexts()
{
    static const QStringList texts{QStringLiteral("Auto Negotiation"), QStringLiteral("1G Full"),
                                   QStringLiteral("1G Half"),          QStringLiteral("100 Full"),
                                   QStringLiteral("100 Half"),         QStringLiteral("10 Full"),
                                   QStringLiteral("10 Half")};
    return texts;
}

const QStringList& FlowControlTexts()
{
    static const QStringList texts{QStringLiteral("Disable"), QStringLiteral("Symmetric"), QStringLiteral("Asymmetric")};
    return texts;
}

const QStringList& PortTypeTexts()
{
    static const QStringList texts{QStringLiteral("N/A"),   QStringLiteral("1000TX"), QStringLiteral("1000SX"),
                                   QStringLiteral("1000LX"), QStringLiteral("100TX"), QStringLiteral("100SX"),
                                   QStringLiteral("100LX"), QStringLiteral("mGBIC"),  QStringLiteral("GBIC"),
                                   QStringLiteral("1GTX/mGBIC")};
    return texts;
}

QString CodeText(const QStringList& texts, int64_t code)
{
    return code >= 0 && code < texts.size() ? texts[int(code)] : QString();
}

QString LinkText(int64_t link) { return CodeText({QStringLiteral("Down"), QStringLiteral("Up")}, link); }

const QStringList& TrunkTypeTexts()
{
    static const QStringList texts{QStringLiteral("Static"), QStringLiteral("802.3ad LACP")};
    return texts;
}
