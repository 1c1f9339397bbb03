#include "ConfigFile.h"

#include "Intp.h"
#include "MessageBoxes.h"

#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamWriter>

namespace ConfigFile {

namespace {

QString IpText(uint32_t ip) { return QString::fromStdString(Intp::IpToText(ip)); }

// A dotted-decimal text in host order; a text that does not parse reads as
// 255.255.255.255.
uint32_t ParseIpText(const QString& text)
{
    uint32_t ip = 0;
    if (!Intp::ParseIp(text.trimmed().toStdString(), ip))
        return 0xFFFFFFFFu;
    return ip;
}

void WriteConfig(QXmlStreamWriter& xml, const Filter::TFilterSettings& settings,
                 const std::vector<Intp::TDevice*>& devices)
{
    xml.setAutoFormatting(true);
    xml.writeStartDocument(QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("Config"));

    xml.writeStartElement(QStringLiteral("Discovery"));
    xml.writeTextElement(QStringLiteral("Method"), QString::number(settings.Method));
    xml.writeTextElement(QStringLiteral("Address"), IpText(settings.Address));
    xml.writeTextElement(QStringLiteral("Mask"), IpText(settings.Mask));
    xml.writeTextElement(QStringLiteral("BeginAddr"), IpText(settings.RangeBegin));
    xml.writeTextElement(QStringLiteral("EndAddr"), IpText(settings.RangeEnd));
    xml.writeStartElement(QStringLiteral("Filters"));
    for (const Filter::TIpMask& entry : settings.Unicasts) {
        xml.writeEmptyElement(QStringLiteral("Filter"));
        xml.writeAttribute(QStringLiteral("Address"), IpText(entry.Ip));
    }
    for (const Filter::TIpMask& network : settings.LocalNetworks) {
        xml.writeEmptyElement(QStringLiteral("Filter"));
        xml.writeAttribute(QStringLiteral("Address"), IpText(network.Ip));
        xml.writeAttribute(QStringLiteral("Mask"), IpText(network.Mask));
    }
    xml.writeEndElement();   // Filters
    xml.writeEndElement();   // Discovery

    xml.writeStartElement(QStringLiteral("Devices"));
    for (const Intp::TDevice* device : devices) {
        if (!device)
            continue;
        xml.writeStartElement(QStringLiteral("Device"));
        xml.writeAttribute(QStringLiteral("MacAddr"), QString::fromStdString(Intp::MacToText(device->GetMac())));
        if (device->GetType() != 0)
            xml.writeTextElement(QStringLiteral("Type"), QString::fromStdString(device->GetTypeName()));
        if (device->GetIp() != 0)
            xml.writeTextElement(QStringLiteral("Address"), IpText(device->GetIp()));
        xml.writeEmptyElement(QStringLiteral("Properties"));
        xml.writeEndElement();   // Device
    }
    xml.writeEndElement();   // Devices

    xml.writeEndElement();   // Config
    xml.writeEndDocument();
}

// One child element of a Filters element.
void ReadFilter(const QDomElement& element, Filter::TFilterSettings& out)
{
    if (!element.hasAttribute(QStringLiteral("Address")))
        return;
    uint32_t address = ParseIpText(element.attribute(QStringLiteral("Address")));
    if (!Intp::IsUsableIp(address))
        return;
    if (!element.hasAttribute(QStringLiteral("Mask"))) {
        out.Unicasts.push_back({address, 0xFFFFFFFFu});
        return;
    }
    // A mask that does not parse is as bad as one that is not a netmask.
    uint32_t mask = 0;
    if (!Intp::ParseIp(element.attribute(QStringLiteral("Mask")).trimmed().toStdString(), mask)
        || !Intp::IsValidNetmask(mask))
        return;
    if (mask == 0xFFFFFFFFu)
        out.Unicasts.push_back({address, 0xFFFFFFFFu});
    else
        out.LocalNetworks.push_back({address, mask});
}

} // namespace

QString DefaultFileName() { return QStringLiteral("Config.xml"); }
QString OpenFilter() { return QStringLiteral("XML Document (*.xml);;All files (*.*)"); }
QString SaveFilter() { return QStringLiteral("XML Document (*.xml)"); }
QString TextLoadFailed() { return QStringLiteral("Failed to load config"); }

bool SaveConfigFile(const QString& path, const Filter::TFilterSettings& settings,
                    const std::vector<Intp::TDevice*>& devices, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QXmlStreamWriter xml(&file);
    WriteConfig(xml, settings, devices);
    if (xml.hasError() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool LoadConfigFile(const QString& path, Filter::TFilterSettings& out, bool* hasDiscovery)
{
    if (hasDiscovery)
        *hasDiscovery = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDomDocument document;
    if (!document.setContent(&file))
        return false;

    QDomElement discovery = document.documentElement().firstChildElement(QStringLiteral("Discovery"));
    if (discovery.isNull())
        return true;
    if (hasDiscovery)
        *hasDiscovery = true;

    Filter::TFilterSettings loaded;   // custom method, whole range, no entries
    loaded.Method = Filter::MethodCustom;
    loaded.Address = 0;
    loaded.Mask = 0;
    loaded.RangeBegin = 0;
    loaded.RangeEnd = 0xFFFFFFFFu;

    QDomElement method = discovery.firstChildElement(QStringLiteral("Method"));
    if (!method.isNull()) {
        bool ok = false;
        int value = method.text().trimmed().toInt(&ok, 10);
        // Only the three known methods; anything else keeps the custom one.
        if (ok && value >= Filter::MethodLocalSubnet && value <= Filter::MethodCustom)
            loaded.Method = uint8_t(value);
    }
    struct {
        const char* Name;
        uint32_t* Field;
    } const addresses[] = {
        {"Address", &loaded.Address},
        {"Mask", &loaded.Mask},
        {"BeginAddr", &loaded.RangeBegin},
        {"EndAddr", &loaded.RangeEnd},
    };
    for (const auto& a : addresses) {
        QDomElement element = discovery.firstChildElement(QLatin1String(a.Name));
        if (!element.isNull())
            *a.Field = ParseIpText(element.text());
    }

    QDomElement filters = discovery.firstChildElement(QStringLiteral("Filters"));
    for (QDomElement e = filters.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        ReadFilter(e, loaded);

    out = std::move(loaded);
    return true;
}

bool RunSaveConfig(const Filter::TFilterServer& filter, const std::vector<Intp::TDevice*>& devices)
{
    QString path = UserInterface().GetSaveFileName(QStringLiteral("Save Config"), DefaultFileName(), SaveFilter());
    if (path.isEmpty())
        return false;
    QString error;
    if (!SaveConfigFile(path, filter.GetSettings(), devices, &error)) {
        ShowError(QStringLiteral("Failed to save config to %1: %2").arg(path, error));
        return false;
    }
    return true;
}

bool RunLoadConfig(TFilterForm& filter)
{
    QString path = UserInterface().GetOpenFileName(QStringLiteral("Load Config"), DefaultFileName(), OpenFilter());
    if (path.isEmpty())
        return false;
    Filter::TFilterSettings settings;
    bool hasDiscovery = false;
    if (!LoadConfigFile(path, settings, &hasDiscovery)) {
        ShowError(TextLoadFailed());
        return false;
    }
    if (hasDiscovery)
        filter.LoadSettings(settings);
    return true;
}

} // namespace ConfigFile
