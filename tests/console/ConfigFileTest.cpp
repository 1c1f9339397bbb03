// The XML configuration file: what a save writes, what a load takes back,
// and how both behave on files that are bad or cannot be written.
#include "ConfigFile.h"
#include "FailingSaves.h"
#include "FakeUserInterface.h"
#include "FilterForm.h"
#include "Intp.h"
#include "LibraryFixture.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <sys/resource.h>

using namespace ConfigFile;
using Filter::TFilterSettings;

namespace {

uint32_t Ip(const char* text)
{
    uint32_t v = 0;
    EXPECT_TRUE(Intp::ParseIp(text, v)) << text;
    return v;
}

QStringList ChildNames(const QDomElement& parent)
{
    QStringList names;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        names << e.tagName();
    return names;
}

QStringList AttributeNames(const QDomElement& e)
{
    QStringList names;
    QDomNamedNodeMap attributes = e.attributes();
    for (int i = 0; i < attributes.count(); ++i)
        names << attributes.item(i).nodeName();
    names.sort();
    return names;
}

void WriteFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// method 1 is written and read back as it is; the dialog itself would take
// the first network for it, so the dialog tests use the custom method.
TFilterSettings SampleSettings(uint8_t method = Filter::MethodCustom)
{
    TFilterSettings s;
    s.Method = method;
    s.Address = Ip("192.0.2.0");
    s.Mask = Ip("255.255.255.0");
    s.RangeBegin = Ip("192.0.2.16");
    s.RangeEnd = Ip("192.0.2.31");
    s.Unicasts = {{Ip("10.0.0.5"), 0xFFFFFFFFu}, {Ip("10.0.0.9"), 0xFFFFFFFFu}};
    s.LocalNetworks = {{Ip("192.0.2.1"), Ip("255.255.255.0")}, {Ip("198.51.100.7"), Ip("255.255.0.0")}};
    return s;
}

void ExpectSameSettings(const TFilterSettings& a, const TFilterSettings& b)
{
    EXPECT_EQ(a.Method, b.Method);
    EXPECT_EQ(a.Address, b.Address);
    EXPECT_EQ(a.Mask, b.Mask);
    EXPECT_EQ(a.RangeBegin, b.RangeBegin);
    EXPECT_EQ(a.RangeEnd, b.RangeEnd);
    EXPECT_EQ(a.Unicasts, b.Unicasts);
    EXPECT_EQ(a.LocalNetworks, b.LocalNetworks);
}

class ConfigFileTest : public TestSupport::LibraryTest {
protected:
    QString Path(const char* name) const { return m_Dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_Dir;
};

} // namespace

TEST_F(ConfigFileTest, SaveWritesTheDocumentShapeAndLoadRestoresTheSettings)
{
    Intp::TDevice* first = AddDevice(1, 2, Ip("192.0.2.99"));
    Intp::TDevice* bare = AddDevice(2, 0, 0);
    bare->SetIp(0);
    const TFilterSettings saved = SampleSettings(Filter::MethodPrimaryInterface);
    QString path = Path("Config.xml");
    QString error;
    ASSERT_TRUE(SaveConfigFile(path, saved, {first, bare}, &error)) << error.toStdString();

    QByteArray text = ReadFile(path);
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\"")) << text.left(40).constData();
    EXPECT_TRUE(text.contains("\n    <Discovery>")) << "one element per indented line";

    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(text));
    QDomElement config = doc.documentElement();
    EXPECT_EQ(config.tagName(), "Config");
    EXPECT_EQ(ChildNames(config), QStringList({"Discovery", "Devices"}));
    QDomElement discovery = config.firstChildElement("Discovery");
    EXPECT_EQ(ChildNames(discovery),
              QStringList({"Method", "Address", "Mask", "BeginAddr", "EndAddr", "Filters"}));
    EXPECT_EQ(discovery.firstChildElement("Method").text(), "1");
    EXPECT_EQ(discovery.firstChildElement("Address").text(), "192.0.2.0");
    EXPECT_EQ(discovery.firstChildElement("Mask").text(), "255.255.255.0");
    EXPECT_EQ(discovery.firstChildElement("BeginAddr").text(), "192.0.2.16");
    EXPECT_EQ(discovery.firstChildElement("EndAddr").text(), "192.0.2.31");

    // Unicast entries first, then the local networks, each in list order.
    QDomElement filters = discovery.firstChildElement("Filters");
    EXPECT_EQ(ChildNames(filters), QStringList({"Filter", "Filter", "Filter", "Filter"}));
    QDomElement f = filters.firstChildElement();
    EXPECT_EQ(AttributeNames(f), QStringList({"Address"}));
    EXPECT_EQ(f.attribute("Address"), "10.0.0.5");
    f = f.nextSiblingElement();
    EXPECT_EQ(f.attribute("Address"), "10.0.0.9");
    f = f.nextSiblingElement();
    EXPECT_EQ(AttributeNames(f), QStringList({"Address", "Mask"}));
    EXPECT_EQ(f.attribute("Address"), "192.0.2.1");
    EXPECT_EQ(f.attribute("Mask"), "255.255.255.0");
    f = f.nextSiblingElement();
    EXPECT_EQ(f.attribute("Address"), "198.51.100.7");
    EXPECT_EQ(f.attribute("Mask"), "255.255.0.0");
    EXPECT_FALSE(f.hasChildNodes());

    // Devices in the given order; Type and Address only when set.
    QDomElement devices = config.firstChildElement("Devices");
    EXPECT_EQ(ChildNames(devices), QStringList({"Device", "Device"}));
    QDomElement d = devices.firstChildElement();
    EXPECT_EQ(AttributeNames(d), QStringList({"MacAddr"}));
    EXPECT_EQ(d.attribute("MacAddr").toStdString(), Intp::MacToText(first->GetMac()));
    EXPECT_EQ(ChildNames(d), QStringList({"Type", "Address", "Properties"}));
    EXPECT_EQ(d.firstChildElement("Type").text().toStdString(), Intp::GetTypeName(2));
    EXPECT_EQ(d.firstChildElement("Address").text(), "192.0.2.100");
    EXPECT_FALSE(d.firstChildElement("Properties").hasChildNodes());
    d = d.nextSiblingElement();
    EXPECT_EQ(ChildNames(d), QStringList({"Properties"}));

    TFilterSettings loaded;
    bool hasDiscovery = false;
    ASSERT_TRUE(LoadConfigFile(path, loaded, &hasDiscovery));
    EXPECT_TRUE(hasDiscovery);
    ExpectSameSettings(loaded, saved);
}

TEST_F(ConfigFileTest, LoadPassesOverUnusableAddressesBadMasksAndUnknownMethods)
{
    QString path = Path("odd.xml");
    WriteFile(path, R"(<?xml version="1.0"?>
<Config>
  <Discovery>
    <Method>7</Method>
    <Address>not an address</Address>
    <Mask>255.255.255.0</Mask>
    <BeginAddr>192.0.2.1</BeginAddr>
    <Filters>
      <Filter Address="10.0.0.5"/>
      <Filter Address="10.0.0.6" Mask="255.255.255.255"/>
      <Filter Address="10.0.0.7" Mask="255.255.0.255"/>
      <Filter Address="10.0.0.8" Mask="0.0.0.0"/>
      <Filter Address="10.0.0.9" Mask="junk"/>
      <Filter Address="127.0.0.1"/>
      <Filter Address="0.0.0.0"/>
      <Filter Address="255.255.255.255"/>
      <Filter Address="10.0.0.300"/>
      <Filter Mask="255.255.255.0"/>
      <Network Address="10.1.2.3" Mask="255.255.0.0"/>
    </Filters>
  </Discovery>
  <Devices><Device MacAddr="00:11:22:33:44:55"><Address>10.9.9.9</Address></Device></Devices>
</Config>
)");
    TFilterSettings s = SampleSettings();
    ASSERT_TRUE(LoadConfigFile(path, s));
    EXPECT_EQ(s.Method, Filter::MethodCustom) << "a method outside 0 to 2 is ignored";
    EXPECT_EQ(s.Address, 0xFFFFFFFFu) << "an address that does not parse";
    EXPECT_EQ(s.Mask, Ip("255.255.255.0"));
    EXPECT_EQ(s.RangeBegin, Ip("192.0.2.1"));
    EXPECT_EQ(s.RangeEnd, 0xFFFFFFFFu) << "missing: the starting value";
    Filter::TIpMaskList unicasts{{Ip("10.0.0.5"), 0xFFFFFFFFu}, {Ip("10.0.0.6"), 0xFFFFFFFFu}};
    EXPECT_EQ(s.Unicasts, unicasts);
    Filter::TIpMaskVector networks{{Ip("10.1.2.3"), Ip("255.255.0.0")}};
    EXPECT_EQ(s.LocalNetworks, networks) << "any element name; the address is kept as written";

    WriteFile(path, "<Config><Discovery><Method>abc</Method><Method>0</Method></Discovery></Config>");
    s = SampleSettings();
    ASSERT_TRUE(LoadConfigFile(path, s));
    EXPECT_EQ(s.Method, Filter::MethodCustom) << "not a number";
    EXPECT_EQ(s.Address, 0u);
    EXPECT_TRUE(s.Unicasts.empty()) << "no Filters: no unicast entry";
    EXPECT_TRUE(s.LocalNetworks.empty()) << "no Filters: no local network";

    WriteFile(path, "<Config><Discovery><Method> 0 </Method></Discovery></Config>");
    ASSERT_TRUE(LoadConfigFile(path, s));
    EXPECT_EQ(s.Method, Filter::MethodLocalSubnet);
}

TEST_F(ConfigFileTest, FilesThatDoNotParseChangeNothing)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm form(nullptr);
    form.LoadSettings(SampleSettings());

    const char* bad[] = {"", "<Config><Discovery></Config>", "plain text", "<Config/><Other/>"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        QString path = Path("bad.xml");
        WriteFile(path, text);
        TFilterSettings s = SampleSettings();
        s.Method = 0;
        EXPECT_FALSE(LoadConfigFile(path, s));
        EXPECT_EQ(s.Method, 0) << "untouched";

        ui.Paths.push_back(path);
        ui.Boxes.clear();
        EXPECT_FALSE(RunLoadConfig(form)) << "no discovery";
        ASSERT_EQ(ui.Boxes.size(), 1u);
        EXPECT_EQ(ui.Boxes[0].Text, "Failed to load config");
        EXPECT_EQ(ui.Boxes[0].Icon, IUserInterface::IconError);
        EXPECT_EQ(ui.Boxes[0].Buttons, IUserInterface::Ok);
        ExpectSameSettings(form.GetSettings(), SampleSettings());
    }

    // A file that does not exist.
    ui.Paths.push_back(Path("missing.xml"));
    EXPECT_FALSE(RunLoadConfig(form));
    EXPECT_EQ(ui.LastText(), "Failed to load config");
}

TEST_F(ConfigFileTest, LoadActionHandsTheFileToTheFilterDialog)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm form(nullptr);
    form.LoadSettings(SampleSettings());

    // Cancelled: nothing.
    EXPECT_FALSE(RunLoadConfig(form));
    EXPECT_TRUE(ui.Boxes.empty());
    ASSERT_EQ(ui.FileDialogs.size(), 1u);
    EXPECT_EQ(ui.FileDialogs[0].Path, "Config.xml");
    EXPECT_EQ(ui.FileDialogs[0].Filter, "XML Document (*.xml);;All files (*.*)");

    // An empty Config: no message, settings kept, discovery runs.
    QString path = Path("empty.xml");
    WriteFile(path, "<?xml version=\"1.0\"?>\n<Config/>\n");
    ui.Paths.push_back(path);
    EXPECT_TRUE(RunLoadConfig(form));
    EXPECT_TRUE(ui.Boxes.empty());
    ExpectSameSettings(form.GetSettings(), SampleSettings());

    // Discovery without Filters: every entry and network goes.
    WriteFile(path, "<Config><Discovery><Method>2</Method><Address>192.0.2.7</Address>"
                    "<Mask>255.255.255.0</Mask></Discovery></Config>");
    ui.Paths.push_back(path);
    EXPECT_TRUE(RunLoadConfig(form));
    EXPECT_TRUE(ui.Boxes.empty());
    EXPECT_EQ(form.GetSettings().Address, Ip("192.0.2.7"));
    EXPECT_TRUE(form.GetSettings().Unicasts.empty());
    EXPECT_TRUE(form.GetSettings().LocalNetworks.empty());

    // Save from the dialog, load it back.
    form.LoadSettings(SampleSettings());
    QString saved = Path("saved.xml");
    EXPECT_FALSE(RunSaveConfig(form, {})) << "cancelled";
    EXPECT_FALSE(QFile::exists(saved));
    EXPECT_EQ(ui.FileDialogs.back().Path, "Config.xml");
    EXPECT_EQ(ui.FileDialogs.back().Filter, "XML Document (*.xml)");
    ui.Paths.push_back(saved);
    EXPECT_TRUE(RunSaveConfig(form, {AddDevice(3)}));
    EXPECT_TRUE(ui.Boxes.empty());
    form.LoadSettings(TFilterSettings{});
    ui.Paths.push_back(saved);
    EXPECT_TRUE(RunLoadConfig(form));
    ExpectSameSettings(form.GetSettings(), SampleSettings());
}

TEST_F(ConfigFileTest, FailedSaveReportsAndKeepsTheOldFile)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm form(nullptr);
    form.LoadSettings(SampleSettings());

    // A folder that does not exist.
    QString nowhere = Path("no/such/folder/Config.xml");
    QString error;
    EXPECT_FALSE(SaveConfigFile(nowhere, SampleSettings(), {}, &error));
    EXPECT_FALSE(error.isEmpty());
    ui.Paths.push_back(nowhere);
    EXPECT_FALSE(RunSaveConfig(form, {}));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Icon, IUserInterface::IconError);
    EXPECT_TRUE(ui.Boxes[0].Text.contains(nowhere));

    // A write that fails half way (the file size limit): the old file stays whole.
    QString path = Path("Config.xml");
    const QByteArray old = "<Config><Discovery><Method>0</Method></Discovery></Config>\n";
    WriteFile(path, old);
    std::vector<Intp::TDevice*> many;
    for (int i = 1; i <= 200; ++i)
        many.push_back(AddDevice(uint8_t(i)));
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool ok = SaveConfigFile(path, SampleSettings(), many, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(QDir(m_Dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left behind";
}

// Hostile files: one past the size limit fails before it is parsed, a
// million entries load the first 4 096 distinct ones and report the rest,
// deep nesting and an entity bomb fail.
TEST_F(ConfigFileTest, HostileFilesFailOrLoadWithTheirMessage)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm form(nullptr);
    form.LoadSettings(SampleSettings());
    const QString path = Path("hostile.xml");
    auto load = [&](const QByteArray& text) {
        WriteFile(path, text);
        ui.Boxes.clear();
        ui.Paths.push_back(path);
        return RunLoadConfig(form);
    };

    // Over the limit, even though it would parse.
    QByteArray big = "<Config><Discovery><Method>2</Method></Discovery><Devices>";
    big += QByteArray(int(MaxConfigFileBytes) - big.size(), ' ');
    big += "</Devices></Config>";
    EXPECT_FALSE(load(big));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Failed to load config");
    ExpectSameSettings(form.GetSettings(), SampleSettings());

    // A million filters within the limit: the first 4 096 distinct unicast
    // addresses (every one appears twice) and 4 096 networks are taken.
    constexpr uint32_t Addresses = 333334;   // three entries each
    QByteArray many = "<Config><Discovery><Filters>";
    many.reserve(32 << 20);
    for (uint32_t i = 0; i < Addresses; ++i) {
        const QByteArray a = QByteArray::fromStdString(Intp::IpToText(0x0A000001u + i));
        many += "<F Address=\"" + a + "\"/><F Address=\"" + a + "\"/><F Address=\"" + a + "\" Mask=\"255.0.0.0\"/>";
    }
    many += "</Filters></Discovery></Config>";
    ASSERT_LE(many.size(), MaxConfigFileBytes);
    size_t refused = 0;
    TFilterSettings loaded;
    WriteFile(path, many);
    ASSERT_TRUE(LoadConfigFile(path, loaded, nullptr, &refused));
    ASSERT_EQ(loaded.Unicasts.size(), MaxLoadedEntries);
    EXPECT_EQ(loaded.Unicasts.front().Ip, 0x0A000001u);
    EXPECT_EQ(loaded.Unicasts.back().Ip, 0x0A000001u + uint32_t(MaxLoadedEntries) - 1);
    EXPECT_EQ(loaded.LocalNetworks.size(), MaxLoadedEntries);
    // Distinct addresses past the cap, each once as a unicast (the doubles
    // are passed over), and networks past the cap.
    EXPECT_EQ(refused, 2 * (Addresses - MaxLoadedEntries));
    EXPECT_TRUE(load(many));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, TextEntriesRefused(refused));
    EXPECT_EQ(form.GetSettings().Unicasts.size(), MaxLoadedEntries);
    EXPECT_EQ(form.m_RemoteList->topLevelItemCount(), int(MaxLoadedEntries));

    // 100 000 nested elements inside the first Filter: past the nesting
    // limit, so the file fails as a whole.
    QByteArray deep = "<Config><Discovery><Method>1</Method><Filters><Filter Address=\"10.0.0.5\">";
    deep += QByteArray("<Filter Address=\"10.0.0.6\">").repeated(100000);
    deep += QByteArray("</Filter>").repeated(100000);
    deep += "</Filter></Filters></Discovery></Config>";
    form.LoadSettings(SampleSettings());
    EXPECT_FALSE(load(deep));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Failed to load config");
    ExpectSameSettings(form.GetSettings(), SampleSettings());

    // Entities that would expand to gigabytes.
    QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE Config [\n<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">\n";
    const char* prev = "a";
    const char* names[] = {"b", "c", "d", "e", "f", "g", "h", "i", "j"};
    for (const char* n : names) {
        bomb += QByteArray("<!ENTITY ") + n + " \"" + QByteArray("&") .append(prev).append(";").repeated(10) + "\">\n";
        prev = n;
    }
    bomb += "]>\n<Config><Discovery><Address>&j;</Address></Discovery></Config>\n";
    form.LoadSettings(SampleSettings());
    EXPECT_FALSE(load(bomb));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Failed to load config");
    ExpectSameSettings(form.GetSettings(), SampleSettings());
}

// Nesting: down to the limit a file loads (a value's text is gathered from
// its nested elements); one level past it, under any element the loader
// reads or passes over, the file fails with the loader's message. 60 000
// levels (a stack's worth, were the reader to recurse) fail the same way.
TEST_F(ConfigFileTest, NestingPastTheLimitFailsUnderEveryElement)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm form(nullptr);
    const QString path = Path("deep.xml");
    auto nested = [](int levels, const QByteArray& inner) {
        return QByteArray("<n>").repeated(levels) + inner + QByteArray("</n>").repeated(levels);
    };
    // Each place, as the file around a marker "@" standing at depth 3 or 4.
    const char* const places[] = {
        "<Config><Discovery><Method>@</Method></Discovery></Config>",
        "<Config><Discovery><Address>@</Address></Discovery></Config>",
        "<Config><Discovery><Mask>@</Mask></Discovery></Config>",
        "<Config><Discovery><BeginAddr>@</BeginAddr></Discovery></Config>",
        "<Config><Discovery><EndAddr>@</EndAddr></Discovery></Config>",
        "<Config><Discovery><Filters><Filter Address=\"10.0.0.5\">@</Filter></Filters></Discovery></Config>",
        "<Config><Discovery><Other>@</Other></Discovery></Config>",
        "<Config><Devices><Device MacAddr=\"00:11:22:33:44:55\">@</Device></Devices></Config>",
    };
    for (const char* place : places) {
        const QByteArray shape(place);
        const int at = shape.indexOf('@');
        const int depth = shape.left(at).count('<') - shape.left(at).count("</");
        auto fileWith = [&](const QByteArray& inner) { return shape.left(at) + inner + shape.mid(at + 1); };
        SCOPED_TRACE(place);

        // Exactly at the limit: loads.
        TFilterSettings s;
        WriteFile(path, fileWith(nested(MaxConfigDepth - depth, "1")));
        EXPECT_TRUE(LoadConfigFile(path, s));

        for (int levels : {MaxConfigDepth - depth + 1, 60000}) {
            WriteFile(path, fileWith(nested(levels, "1")));
            EXPECT_FALSE(LoadConfigFile(path, s)) << levels;
            form.LoadSettings(SampleSettings());
            ui.Boxes.clear();
            ui.Paths.push_back(path);
            EXPECT_FALSE(RunLoadConfig(form));
            ASSERT_EQ(ui.Boxes.size(), 1u);
            EXPECT_EQ(ui.Boxes[0].Text, "Failed to load config");
            ExpectSameSettings(form.GetSettings(), SampleSettings());
        }
    }

    // A value's text, that of nested elements included.
    TFilterSettings s;
    WriteFile(path, "<Config><Discovery><Method><n>1</n></Method><Address>10.<n>0.<n>0</n>.</n>9</Address>"
                    "</Discovery></Config>");
    ASSERT_TRUE(LoadConfigFile(path, s));
    EXPECT_EQ(s.Method, 1);
    EXPECT_EQ(s.Address, Ip("10.0.0.9"));
    // A text past the length limit reads as one that does not parse.
    WriteFile(path, "<Config><Discovery><Address>10.0.0.9" + QByteArray(int(MaxValueTextLength), ' ') +
                        "</Address></Discovery></Config>");
    ASSERT_TRUE(LoadConfigFile(path, s));
    EXPECT_EQ(s.Address, 0xFFFFFFFFu);
}

// Markup the loader refuses before parsing: a start tag past the attribute
// limit (counted as the reader does: quoted '=' and '>' are values, comments
// and CDATA sections hold no tags) and a document type declaration.
TEST_F(ConfigFileTest, MarkupPastTheLimitsFails)
{
    const QString path = Path("markup.xml");
    auto attributes = [](int count) {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text += " a" + QByteArray::number(i) + "=\"x=>'\"";
        return text;
    };
    struct TCase {
        QByteArray Text;
        bool Loads;
    } const cases[] = {
        {"<Config" + attributes(MaxConfigAttributes) + "/>", true},
        {"<Config" + attributes(MaxConfigAttributes + 1) + "/>", false},
        {"<Config><Devices><Device" + attributes(2000) + "/></Devices></Config>", false},
        {"<Config><!--<a" + attributes(40) + ">--><![CDATA[<a" + attributes(40) + ">]]><?pi <a" + attributes(40) +
             "?></Config>",
         true},
        {"<!DOCTYPE Config><Config/>", false},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE Config [<!ATTLIST Config a CDATA \"1\">]><Config/>", false},
    };
    for (const TCase& c : cases) {
        WriteFile(path, c.Text);
        TFilterSettings s;
        EXPECT_EQ(LoadConfigFile(path, s), c.Loads) << c.Text.left(80).constData();
    }
}

// Files near the size cap that cost the reader the most (thousands of
// attributes per element, or nearly a million elements) either load or fail
// with the loader's message while the window's events keep running: a
// timer's ticks never wait a second.
TEST_F(ConfigFileTest, LargeFilesKeepTheWindowResponsive)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm form(nullptr);
    const QString path = Path("large.xml");

    QByteArray attributes = "<Config><Devices>";
    attributes.reserve(32 << 20);
    QByteArray element = "<Device";
    for (int i = 0; i < 2000; ++i)
        element += " a" + QByteArray::number(i) + "=\"1234567\"";
    element += "/>";
    while (attributes.size() + element.size() < (31 << 20))
        attributes += element;
    attributes += "</Devices></Config>";

    QByteArray elements = "<Config><Discovery><Filters>";
    elements.reserve(32 << 20);
    for (uint32_t i = 0; elements.size() < (31 << 20) - 64; ++i)
        elements += "<F Address=\"" + QByteArray::fromStdString(Intp::IpToText(0x0A000001u + i)) + "\"/>";
    elements += "</Filters></Discovery></Config>";

    for (const QByteArray* text : {&attributes, &elements}) {
        ASSERT_LE(text->size(), MaxConfigFileBytes);
        WriteFile(path, *text);
        ui.Boxes.clear();
        ui.Paths.push_back(path);
        QElapsedTimer sinceTick;
        qint64 longestWait = 0;
        QTimer watchdog;
        watchdog.setInterval(20);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            longestWait = std::max(longestWait, sinceTick.restart());
        });
        sinceTick.start();
        watchdog.start();
        const bool loaded = RunLoadConfig(form);
        longestWait = std::max(longestWait, sinceTick.elapsed());
        EXPECT_LT(longestWait, 1000) << "the window's events waited " << longestWait << " ms";
        if (!loaded) {
            ASSERT_EQ(ui.Boxes.size(), 1u);
            EXPECT_EQ(ui.Boxes[0].Text, "Failed to load config");
        }
    }
}

// A save that fails says why in the system's words, after the message the
// console has always shown; the old file (where there is one) stays and no
// temporary file is left; a device is written in place, never replaced.
TEST_F(ConfigFileTest, FailedSaveShowsTheSystemsReason)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm form(nullptr);
    form.LoadSettings(SampleSettings());
    std::vector<Intp::TDevice*> many;
    for (int i = 1; i <= 200; ++i)
        many.push_back(AddDevice(uint8_t(i)));
    for (const TestSupport::TFailingSave& save : TestSupport::FailingSaves(m_Dir)) {
        SCOPED_TRACE(save.What);
        ui.Boxes.clear();
        ui.Paths.push_back(save.Path);
        bool saved = true;
        {
            std::optional<TestSupport::TFileSizeLimit> limit;
            if (save.SizeLimit)
                limit.emplace(1024);
            saved = RunSaveConfig(form, many);
        }
        EXPECT_FALSE(saved);
        ASSERT_EQ(ui.Boxes.size(), 1u);
        EXPECT_EQ(ui.Boxes[0].Text, QStringLiteral("Failed to save config to %1: %2").arg(save.Path, save.Reason));
    }
    struct stat st {};
    if (::stat("/dev/full", &st) == 0) {
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device is still a device";
    }
    EXPECT_EQ(QDir(m_Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});
}
