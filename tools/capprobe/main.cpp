// Reports, one line per step, what the console manages with the privileges
// the process has:
//   capprobe INTERFACE [ARP_ADDRESS]
// It builds the main window as the program does (syslog on port 514),
// answers Ignore to the question about the syslog port, opens the scan
// dialog, chooses INTERFACE and scans, plainly and in promiscuous mode, and
// removes the ARP entry of ARP_ADDRESS when one is given. Every message box
// the console shows is printed as "box: TEXT". Runs on the offscreen
// platform unless another is chosen.
#include "FakeUserInterface.h"
#include "Intp.h"
#include "LocalNet.h"
#include "MainForm.h"
#include "ScanForm.h"
#include "SyslogSocketThread.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <memory>

namespace {

void Print(const QString& line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// The port the syslog socket is bound to, or 0.
int SyslogPort(TMainForm& window)
{
    TSyslogSocketThread* thread = window.SyslogThread();
    if (!thread || !thread->IsOpen())
        return 0;
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(thread->SocketDescriptor(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

// The effective capability set of this process, as the kernel shows it.
QString EffectiveCapabilities()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("CapEff:"))
            return QString::fromLatin1(line.mid(7).trimmed());
    return QStringLiteral("unknown");
}

void RunScan(TScanForm& form, const char* label, bool promiscuous)
{
    form.m_Promiscuous->setChecked(promiscuous);
    Print(QStringLiteral("%1: %2").arg(QLatin1String(label)).arg(form.Scan()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s INTERFACE [ARP_ADDRESS]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string interfaceName = argv[1];

    TestSupport::TFakeUserInterface ui;
    ui.Answers.push_back(IUserInterface::Ignore);   // the syslog port question, if asked
    Intp::RegisterBuiltinModels();
    Print(QStringLiteral("capabilities: %1").arg(EffectiveCapabilities()));

    auto window = std::make_unique<TMainForm>();
    const bool created = window->EventOnMainFormCreate();
    ui.Answers.clear();
    Print(QStringLiteral("created: %1").arg(created ? "yes" : "no"));
    Print(QStringLiteral("syslog port: %1").arg(SyslogPort(*window)));

    if (TScanForm* form = created ? window->ScanForm() : nullptr) {
        form->show();
        int index = -1;
        for (int i = 0; i < form->m_Interfaces->count(); ++i) {
            form->m_Interfaces->setCurrentIndex(i);
            if (form->CurrentInterface() && form->CurrentInterface()->Name == interfaceName) {
                index = i;
                break;
            }
        }
        Print(QStringLiteral("interface: %1").arg(index >= 0 ? "listed" : "missing"));
        if (index >= 0) {
            RunScan(*form, "scan", false);
            RunScan(*form, "scan promiscuous", true);
        }
        form->hide();
    }

    if (argc == 3) {
        in_addr address{};
        if (inet_pton(AF_INET, argv[2], &address) != 1) {
            std::fprintf(stderr, "%s: not an IPv4 address: %s\n", argv[0], argv[2]);
            return 2;
        }
        Print(QStringLiteral("arp delete: %1").arg(Intp::DeleteArpEntries({ntohl(address.s_addr)}, true)));
    }

    for (const auto& box : ui.Boxes)
        Print(QStringLiteral("box: %1").arg(box.Text));

    window->Shutdown();
    Intp::ReleaseLibrary();
    window.reset();
    return 0;
}
