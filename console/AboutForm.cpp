#include "AboutForm.h"

#include "MessageBoxes.h"
#include "Resources.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

QString VersionText(const QString& version)
{
    const QString none = QStringLiteral("(No Version Info)");
    const QStringList parts = version.trimmed().split(QLatin1Char('.'));
    if (version.trimmed().isEmpty() || parts.size() > 4)
        return none;
    int values[4] = {0, 0, 0, 0};
    for (int i = 0; i < int(parts.size()); ++i) {
        bool ok = false;
        uint value = parts[i].toUInt(&ok, 10);
        // Each part is one 16-bit word of the version.
        if (!ok || value > 0xFFFF)
            return none;
        values[i] = int(value);
    }
    return QStringLiteral("Version %1.%2.%3 (build %4)").arg(values[0]).arg(values[1]).arg(values[2]).arg(values[3]);
}

QString TAboutForm::WebAddress() { return QStringLiteral("https://www.example.com/talvo-orvane/"); }

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);

    m_Logo = new QLabel(this);
    m_Logo->setPixmap(Resources::Bitmap(QStringLiteral("RC_BITMAP_BANNER_LOGO")));
    m_Logo->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_Logo);

    m_ProductName = new QLabel(QApplication::applicationDisplayName(), this);
    m_ProductName->setAlignment(Qt::AlignCenter);
    QFont bold = m_ProductName->font();
    bold.setBold(true);
    m_ProductName->setFont(bold);
    layout->addWidget(m_ProductName);

    m_Link = new QLabel(this);
    m_Link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(WebAddress().toHtmlEscaped()));
    m_Link->setTextFormat(Qt::RichText);
    m_Link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_Link->setOpenExternalLinks(false);
    m_Link->setAlignment(Qt::AlignCenter);
    connect(m_Link, &QLabel::linkActivated, this, [this] { OpenLink(); });
    layout->addWidget(m_Link);

    m_Version = new QLabel(QStringLiteral("(No Version Info)"), this);
    m_Version->setAlignment(Qt::AlignCenter);
#ifdef APP_VERSION
    m_Version->setText(VersionText(QStringLiteral(APP_VERSION)));
#endif
    layout->addWidget(m_Version);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutForm::OpenLink() { OpenUrlOrTell(WebAddress()); }
