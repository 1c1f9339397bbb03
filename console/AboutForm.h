// "About": the banner logo, the product name, the maker's web address as a
// link and the program's version.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;

// "Version %d.%d.%d (build %d)" from a version text of up to four dotted
// numbers (major.minor.release.build, missing parts 0); "(No Version Info)"
// when the text is empty or is not such a version.
QString VersionText(const QString& version);

class TAboutForm final : public QDialog {
    Q_OBJECT
public:
    // The maker's web address that the link shows and opens.
    static QString WebAddress();

    explicit TAboutForm(QWidget* parent = nullptr);

    // Opens the link's address in the default browser.
    void OpenLink();

    QLabel* m_Logo = nullptr;
    QLabel* m_ProductName = nullptr;
    QLabel* m_Link = nullptr;
    QLabel* m_Version = nullptr;
};
