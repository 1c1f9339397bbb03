#include "ConfigFile.h"

#include "Intp.h"
#include "MessageBoxes.h"
#include "SaveFile.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

namespace ConfigFile {

namespace {

QString IpText(uint32_t ip) { return QString::fromStdString(Intp::IpToText(ip)); }

// A dotted-decimal text (blanks around it allowed) as an address in host
// order; false when it does not parse. No allocation: a file may hold a
// great many of them.
bool ParseIpView(QStringView text, uint32_t& ip)
{
    text = text.trimmed();
    char buffer[16];
    if (text.size() >= qsizetype(sizeof buffer))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c > 0x7F)
            return false;
        buffer[i] = char(c);
    }
    return Intp::ParseIp(std::string_view(buffer, size_t(text.size())), ip);
}

// A dotted-decimal text in host order; a text that does not parse reads as
// 255.255.255.255.
uint32_t ParseIpText(QStringView text)
{
    uint32_t ip = 0;
    return ParseIpView(text, ip) ? ip : 0xFFFFFFFFu;
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

// Collects the Filters children: unicast addresses once each, and each
// list up to the cap.
class TFilterReader {
public:
    TFilterReader(Filter::TFilterSettings& out) : m_Out(out) {}

    void Read(const QXmlStreamAttributes& attributes)
    {
        if (!attributes.hasAttribute(QLatin1String("Address")))
            return;
        const uint32_t address = ParseIpText(attributes.value(QLatin1String("Address")));
        if (!Intp::IsUsableIp(address))
            return;
        if (!attributes.hasAttribute(QLatin1String("Mask"))) {
            AddUnicast(address);
            return;
        }
        // A mask that does not parse is as bad as one that is not a netmask.
        uint32_t mask = 0;
        if (!ParseIpView(attributes.value(QLatin1String("Mask")), mask) || !Intp::IsValidNetmask(mask))
            return;
        if (mask == 0xFFFFFFFFu)
            AddUnicast(address);
        else if (m_Out.LocalNetworks.size() < MaxLoadedEntries)
            m_Out.LocalNetworks.push_back({address, mask});
        else
            ++Refused;
    }

    size_t Refused = 0;

private:
    void AddUnicast(uint32_t address)
    {
        if (!m_Unicasts.insert(address).second)
            return;
        if (m_Out.Unicasts.size() >= MaxLoadedEntries)
            ++Refused;
        else
            m_Out.Unicasts.push_back({address, 0xFFFFFFFFu});
    }

    Filter::TFilterSettings& m_Out;
    std::unordered_set<uint32_t> m_Unicasts;
};

// The file's bytes, or nothing when it cannot be read or is too large. The
// size is checked before anything is read; a device without a size (a pipe)
// is read no further than the limit. Read in pieces, so that a small file
// costs no buffer of the limit's size.
bool ReadLimited(const QString& path, QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (!file.isSequential() && file.size() > MaxConfigFileBytes)
        return false;
    bytes.clear();
    if (!file.isSequential())
        bytes.reserve(qsizetype(file.size()));
    char piece[64 * 1024];
    for (;;) {
        const qint64 got = file.read(piece, qint64(std::min<qsizetype>(sizeof piece, MaxConfigFileBytes + 1 - bytes.size())));
        if (got < 0)
            return false;
        if (got == 0)
            break;
        bytes.append(piece, qsizetype(got));
        if (bytes.size() > MaxConfigFileBytes)
            return false;
    }
    return file.error() == QFileDevice::NoError;
}

// A value element's text (that of its nested elements included) into the
// loaded settings: the method as a decimal number from 0 to 2 (anything else
// keeps the custom method), the others as dotted-decimal addresses.
void StoreValue(Filter::TFilterSettings& loaded, int value, const QString& text)
{
    if (value == 0) {
        bool ok = false;
        const int method = text.trimmed().toInt(&ok, 10);
        if (ok && method >= Filter::MethodLocalSubnet && method <= Filter::MethodCustom)
            loaded.Method = uint8_t(method);
        return;
    }
    uint32_t* const fields[5] = {nullptr, &loaded.Address, &loaded.Mask, &loaded.RangeBegin, &loaded.RangeEnd};
    *fields[value] = ParseIpText(text);
}

// A look at the file's markup before the XML reader parses it, in one pass
// over the bytes: false for a document type declaration (no configuration
// holds one, and its declarations would make the reader's work grow with
// the square of the file) and for a start tag with more than
// MaxConfigAttributes attributes (the reader compares every attribute of a
// tag with every other). Tags are told apart as the reader does: comments,
// CDATA sections and processing instructions are passed over, and a quoted
// attribute value may hold any character. A file this scan misreads is not
// well-formed and fails in the reader.
bool MarkupWithinLimits(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    auto skipPast = [&](const char* from, std::string_view marker) {
        const std::string_view rest(from, size_t(end - from));
        const size_t at = rest.find(marker);
        return at == std::string_view::npos ? end : from + at + marker.size();
    };
    while (p < end) {
        p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        if (!p)
            break;
        const std::string_view rest(p, size_t(end - p));
        if (rest.starts_with("<!--")) {
            p = skipPast(p + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            p = skipPast(p + 9, "]]>");
        } else if (rest.starts_with("<!")) {
            return false;
        } else if (rest.starts_with("<?")) {
            p = skipPast(p + 2, "?>");
        } else {
            // A start or end tag, to its closing '>' outside quotes.
            int attributes = 0;
            char quote = 0;
            for (++p; p < end; ++p) {
                const char c = *p;
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '=') {
                    if (++attributes > MaxConfigAttributes)
                        return false;
                } else if (c == '>') {
                    ++p;
                    break;
                }
            }
        }
    }
    return true;
}
} // namespace

QString DefaultFileName() { return QStringLiteral("Config.xml"); }
QString OpenFilter() { return QStringLiteral("XML Document (*.xml);;All files (*.*)"); }
QString SaveFilter() { return QStringLiteral("XML Document (*.xml)"); }
QString TextLoadFailed() { return QStringLiteral("Failed to load config"); }
QString TextEntriesRefused(size_t refused)
{
    return QStringLiteral("The file holds more discovery entries than the filter keeps: %1 entries past the first %2 "
                          "were not loaded.")
        .arg(refused)
        .arg(MaxLoadedEntries);
}

bool SaveConfigFile(const QString& path, const Filter::TFilterSettings& settings,
                    const std::vector<Intp::TDevice*>& devices, QString* error)
{
    // The document is made in memory (it is small) and written in one go.
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    WriteConfig(xml, settings, devices);
    TSaveFile file(path);
    if (file.Open() && file.Write(document.constData(), document.size()) && file.Commit())
        return true;
    if (error)
        *error = file.ErrorString();
    return false;
}

bool LoadConfigFile(const QString& path, Filter::TFilterSettings& out, bool* hasDiscovery, size_t* refused,
                    const std::atomic<bool>* cancel)
{
    if (hasDiscovery)
        *hasDiscovery = false;
    if (refused)
        *refused = 0;
    QByteArray bytes;
    if (!ReadLimited(path, bytes) || !MarkupWithinLimits(bytes))
        return false;

    Filter::TFilterSettings loaded;   // custom method, whole range, no entries
    loaded.Method = Filter::MethodCustom;
    loaded.Address = 0;
    loaded.Mask = 0;
    loaded.RangeBegin = 0;
    loaded.RangeEnd = 0xFFFFFFFFu;
    TFilterReader filters(loaded);

    // Where the reader stands, as far as it matters: the document element
    // (depth 1), its first Discovery (2), that one's value elements and its
    // first Filters (3), and the children of that Filters (4). Nothing here
    // recurses: a value element's text, that of nested elements included,
    // is gathered in the same loop.
    bool seenDiscovery = false, seenFilters = false, inDiscovery = false, inFilters = false;
    bool seenValue[5] = {};
    static const char* const ValueNames[5] = {"Method", "Address", "Mask", "BeginAddr", "EndAddr"};
    int value = -1;       // the value element being read, or -1
    QString valueText;    // its text so far, at most MaxValueTextLength characters
    bool valueTooLong = false;
    int depth = 0;
    size_t tokens = 0;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (cancel && (++tokens & 0xFFF) == 0 && cancel->load(std::memory_order_relaxed))
            return false;
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Characters) {
            if (value >= 0 && !valueTooLong) {
                const QStringView text = xml.text();
                if (valueText.size() + text.size() > MaxValueTextLength)
                    valueTooLong = true;
                else
                    valueText += text;
            }
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (depth == 3 && value >= 0) {
                StoreValue(loaded, value, valueTooLong ? QString() : valueText);
                value = -1;
            } else if (depth == 2) {
                inDiscovery = false;
            } else if (depth == 3) {
                inFilters = false;
            }
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (++depth > MaxConfigDepth)
            return false;
        if (value >= 0)
            continue;   // inside a value element: only its text counts
        const QStringView name = xml.name();
        if (depth == 2 && !seenDiscovery && name == QLatin1String("Discovery")) {
            seenDiscovery = inDiscovery = true;
        } else if (depth == 3 && inDiscovery && !seenFilters && name == QLatin1String("Filters")) {
            seenFilters = inFilters = true;
        } else if (depth == 3 && inDiscovery) {
            for (int i = 0; i < 5; ++i) {
                if (seenValue[i] || name != QLatin1String(ValueNames[i]))
                    continue;
                seenValue[i] = true;
                value = i;
                valueText.clear();
                valueTooLong = false;
                break;
            }
        } else if (depth == 4 && inFilters) {
            filters.Read(xml.attributes());
        }
    }
    // The whole file must be well-formed, not only the part that was used.
    if (xml.hasError())
        return false;
    if (!seenDiscovery)
        return true;
    if (hasDiscovery)
        *hasDiscovery = true;
    if (refused)
        *refused = filters.Refused;
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

TConfigLoad::TConfigLoad(TFilterForm& filter, QObject* parent) : QObject(parent), m_Filter(filter) {}

TConfigLoad::~TConfigLoad()
{
    m_Cancel = true;
    if (m_Thread.joinable())
        m_Thread.join();
}

bool TConfigLoad::Start(std::function<void()> loaded)
{
    if (IsRunning())
        return false;
    const QString path =
        UserInterface().GetOpenFileName(QStringLiteral("Load Config"), DefaultFileName(), OpenFilter());
    if (path.isEmpty())
        return false;
    m_Loaded = std::move(loaded);
    m_Cancel = false;
    m_Thread = std::thread([this, path] {
        Filter::TFilterSettings settings;
        bool hasDiscovery = false;
        size_t refused = 0;
        const bool ok = LoadConfigFile(path, settings, &hasDiscovery, &refused, &m_Cancel);
        // Posted to this object: dropped unread when it is destroyed first.
        QMetaObject::invokeMethod(
            this, [this, ok, hasDiscovery, refused, settings = std::move(settings)]() mutable {
                Finish(ok, hasDiscovery, refused, std::move(settings));
            },
            Qt::QueuedConnection);
    });
    return true;
}

void TConfigLoad::Finish(bool ok, bool hasDiscovery, size_t refused, Filter::TFilterSettings settings)
{
    if (m_Thread.joinable())
        m_Thread.join();   // it has posted its result and is ending
    std::function<void()> loaded = std::move(m_Loaded);
    m_Loaded = nullptr;
    if (!ok) {
        ShowError(TextLoadFailed());
        return;
    }
    if (hasDiscovery)
        m_Filter.LoadSettings(settings);
    if (refused != 0)
        ShowError(TextEntriesRefused(refused));
    if (loaded)
        loaded();
}

bool RunLoadConfig(TFilterForm& filter)
{
    TConfigLoad load(filter);
    bool loaded = false;
    if (!load.Start([&loaded] { loaded = true; }))
        return false;
    // The result is in once Finish has joined the thread.
    QEventLoop events;
    while (load.IsRunning())
        events.processEvents(QEventLoop::WaitForMoreEvents);
    return loaded;
}

} // namespace ConfigFile
