#include "AccessibleNames.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>

QString LabelName(const QString& text)
{
    QString name;
    name.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;   // "&x" is x; "&&" is "&"
        name += text[i];
    }
    name = name.trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

void NameControls(QWidget* root, const QString& caption)
{
    if (!root)
        return;
    QList<QLabel*> labels = root->findChildren<QLabel*>();
    if (auto* label = qobject_cast<QLabel*>(root))
        labels.prepend(label);
    for (QLabel* label : labels) {
        QWidget* buddy = label->buddy();
        const QString name = LabelName(label->text());
        // A label that shows a value is heard as that value: it keeps no
        // fixed name, so the accessibility layer reads its text, and its
        // caption reaches it through the label relation.
        if (buddy && !qobject_cast<QLabel*>(buddy) && buddy->accessibleName().isEmpty() && !name.isEmpty())
            buddy->setAccessibleName(name);
    }
    // A button that shows only an image, after its tool tip.
    QList<QAbstractButton*> buttons = root->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons)
        if (button->accessibleName().isEmpty() && button->text().isEmpty() && !button->toolTip().isEmpty())
            button->setAccessibleName(button->toolTip());
    // Sets of tabs, lists and text areas that no label names: their box's title or the
    // page's caption. A header or a scroll area's inner parts are not
    // controls of their own.
    QList<QAbstractScrollArea*> areas = root->findChildren<QAbstractScrollArea*>();
    if (auto* area = qobject_cast<QAbstractScrollArea*>(root))
        areas.prepend(area);
    for (QAbstractScrollArea* area : areas) {
        if (!area->accessibleName().isEmpty() || qobject_cast<QHeaderView*>(area) ||
            (area->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractItemView*>(area)))
            continue;
        QString name = caption;
        for (QWidget* p = area->parentWidget(); p && p != root->parentWidget(); p = p->parentWidget())
            if (auto* box = qobject_cast<QGroupBox*>(p); box && !box->title().isEmpty()) {
                name = LabelName(box->title());
                break;
            }
        if (!name.isEmpty())
            area->setAccessibleName(LabelName(name));
    }
    for (QTabWidget* tabs : root->findChildren<QTabWidget*>())
        if (tabs->accessibleName().isEmpty() && !caption.isEmpty())
            tabs->setAccessibleName(LabelName(caption));
}
